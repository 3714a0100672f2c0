% sweep_host_check(file): loads a latticesweep MAT-file and repeats every
% run through the host plug-in (ringsim or gridsim); errors unless every
% output is identical, stream_wraps marks exactly the runs the host warns
% about (<function>:streamPeriod), each snapshot is the first output of the
% same call with steps set to its step, and each observation the quantities
% of that output, computed here on their own.
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
    kept = 1:r.steps(k);
    if isfield(s, 'mean_steps')
      kept = s.mean_steps(s.mean_steps <= r.steps(k));
    end
    assert(isequal(m(kept), s.mean_levels(1:numel(kept), k)), sprintf('%s run %d: mean levels', file, k));
    assert(all(isnan(s.mean_levels(numel(kept) + 1:end, k))), sprintf('%s run %d: padding', file, k));
    if isfield(s, 'observed')
      for j = 1:numel(s.observed.steps)
        args{end - 1} = s.observed.steps(j);
        q = observe(feval(model, traits, args{:}), size(s.observed.level_counts, 1), strcmp(model, 'gridsim'));
        o = s.observed;
        stored = [o.level_counts(:, j, k); o.alike_neighbours(j, k); o.neighbour_difference(j, k); ...
                  o.cluster_count(j, k); o.largest_cluster(j, k)];
        assert(max(abs(q - stored)) <= 1e-12, sprintf('%s run %d: observation at step %d', file, k, s.observed.steps(j)));
      end
    end
    for j = 1:numel(steps)
      args{end - 1} = steps(j);
      f = feval(model, traits, args{:});
      assert(isequal(f(:), shots(:, j, k)), sprintf('%s run %d: snapshot at step %d', file, k, steps(j)));
    end
  end
  printf('%s: %d runs equal the host calls, and their %d snapshots each\n', file, n, numel(steps));
end

% The level counts, the share of alike neighbour pairs, their mean level
% difference, the clusters' count and the largest cluster's size of
% lattice f: pairs of each site with the next (ring) or with the sites to
% its right and below (torus), wrapping; clusters by flood fill.
function q = observe(f, levels, torus)
  if ~torus
    f = f(:);
  end
  [rows, cols] = size(f);
  counts = arrayfun(@(v) sum(f(:) == v), 0:levels - 1)';
  if torus
    a = [f(:); f(:)];
    b = [reshape(circshift(f, [0, -1]), [], 1); reshape(circshift(f, [-1, 0]), [], 1)];
  else
    a = f;
    b = circshift(f, -1);
  end
  label = zeros(rows, cols);
  clusters = 0;
  sizes = [];
  for start = 1:numel(f)
    if label(start) > 0
      continue;
    end
    clusters = clusters + 1;
    label(start) = clusters;
    todo = start;
    members = 0;
    while ~isempty(todo)
      [i, j] = ind2sub([rows, cols], todo(end));
      todo(end) = [];
      members = members + 1;
      if torus
        near = [mod(i, rows) + 1, j; mod(i - 2, rows) + 1, j; i, mod(j, cols) + 1; i, mod(j - 2, cols) + 1];
      else
        near = [mod(i, rows) + 1, 1; mod(i - 2, rows) + 1, 1];
      end
      for n = 1:size(near, 1)
        other = sub2ind([rows, cols], near(n, 1), near(n, 2));
        if label(other) == 0 && f(other) == f(i, j)
          label(other) = clusters;
          todo(end + 1) = other;
        end
      end
    end
    sizes(end + 1) = members;
  end
  q = [counts; mean(a == b); mean(abs(double(a) - double(b))); clusters; max(sizes)];
end
