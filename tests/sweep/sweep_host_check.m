% sweep_host_check(file): loads a latticesweep MAT-file and repeats every
% run through the host plug-in (ringsim or gridsim); errors unless every
% output is identical, stream_wraps marks exactly the runs the host warns
% about (<function>:streamPeriod) and each snapshot is the first output of
% the same call with steps set to its step.
function sweep_host_check(file)
  s = load(file);
  r = s.runs;
  model = char(s.model);
  n = numel(r.seed);
  assert(strcmp(char(s.version)(1:13), 'latticesweep '), 'version');
  assert(isequal(size(s.stream_wraps), [n 1]), 'stream_wraps shape');
  steps = [];
  if isfield(s, 'snapshots')
    steps = s.snapshot_steps;
    assert(isa(s.snapshots, 'int32') && isequal(size(steps), [numel(steps) 1]), 'snapshots class, steps shape');
    shots = reshape(s.snapshots, [], numel(steps), n);
  end
  for k = 1:n
    lastwarn('');
    if strcmp(model, 'ringsim')
      traits = double(s.initial_levels(:, k));
      args = {r.intercept(k), r.slope(k), r.levels(k), r.radius(k), r.noise(k), r.mutation_rate(k), r.steps(k), r.seed(k)};
      stored = s.final_levels(:, k);
    else
      traits = double(s.initial_levels(:, :, k));
      args = {r.intercept(k), r.slope(k), r.levels(k), r.payoff_mode(k), r.neighbourhood(k), r.noise(k), ...
              r.mutation_rate(k), r.steps(k), r.seed(k)};
      stored = s.final_levels(:, :, k);
    end
    [f, m] = feval(model, traits, args{:});
    [~, warned] = lastwarn();
    assert(s.stream_wraps(k) == strcmp(warned, [model ':streamPeriod']), sprintf('%s run %d: stream_wraps', file, k));
    assert(isequal(class(stored), 'int32') && isequal(f, stored), sprintf('%s run %d: final levels', file, k));
    assert(isequal(m, s.mean_levels(1:r.steps(k), k)), sprintf('%s run %d: mean levels', file, k));
    assert(all(isnan(s.mean_levels(r.steps(k) + 1:end, k))), sprintf('%s run %d: padding', file, k));
    for j = 1:numel(steps)
      args{end - 1} = steps(j);
      f = feval(model, traits, args{:});
      assert(isequal(f(:), shots(:, j, k)), sprintf('%s run %d: snapshot at step %d', file, k, steps(j)));
    end
  end
  printf('%s: %d runs equal the host calls, and their %d snapshots each\n', file, n, numel(steps));
end
