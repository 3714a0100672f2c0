% host_loop(file): the runs of a latticesweep MAT-file made one by one
% through the host plug-in in this Octave process; prints the seconds the
% calls took, wall and processor time.
function host_loop(file)
  s = load(file);
  r = s.runs;
  n = numel(r.seed);
  ring = strcmp(char(s.model), 'ringsim');
  finals = cell(n, 1);
  means = cell(n, 1);
  traits = double(s.initial_levels);
  tic;
  cpu = cputime;
  for k = 1:n
    if ring
      [finals{k}, means{k}] = ringsim(traits(:, k), r.intercept(k), r.slope(k), r.levels(k), r.radius(k), ...
                                      r.noise(k), r.mutation_rate(k), r.steps(k), r.seed(k));
    else
      [finals{k}, means{k}] = gridsim(traits(:, :, k), r.intercept(k), r.slope(k), r.levels(k), ...
                                      r.payoff_mode(k), r.neighbourhood(k), r.noise(k), r.mutation_rate(k), ...
                                      r.steps(k), r.seed(k));
    end
  end
  seconds = toc;
  cpu = cputime - cpu;
  % The same results as the sweep, or the comparison means nothing.
  for k = 1:n
    if ring
      same = isequal(finals{k}, s.final_levels(:, k));
    else
      same = isequal(finals{k}, s.final_levels(:, :, k));
    end
    assert(same && isequal(means{k}, s.mean_levels(1:r.steps(k), k)), 'run %d differs from the sweep', k);
  end
  printf('%.3f %.3f\n', seconds, cpu);
end
