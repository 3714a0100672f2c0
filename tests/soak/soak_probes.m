function probes = soak_probes()
  % Outputs of a few fixed valid calls, as {final_traits, mean_levels}
  % pairs. The soak test compares them across one long session and with a
  % fresh process: no state may survive a call.
  calls = {
    {'ringsim', [0 1 2 1 0 2 1 0]', 1, 0.5, 3, 2, 0.1, 0.05, 10, 7}
    {'ringsim', mod(reshape(0:59, 6, 10), 4), 0.5, 1, 4, 3, 0.3, 0.1, 80, -12345}
    {'ringsim', ones(1, 25), 2, -0.25, 2, 40, 0, 1, 30, 2147483647}
  };
  if exist('gridsim') == 3
    calls = [calls; {
      {'gridsim', [0 1 2; 2 1 0], 0.5, 1, 3, 0, 0, 0.3, 0.05, 5, 7}
      {'gridsim', mod(reshape(0:47, 6, 8), 5), 1, 0.5, 5, 1, 1, 0.2, 0.1, 60, 99}
      {'gridsim', 2 * ones(1, 9), 0.5, 1, 3, 1, 0, 0.4, 0.5, 25, -3}
    }];
  end
  probes = cell(numel(calls), 2);
  for k = 1:numel(calls)
    c = calls{k};
    [probes{k, 1}, probes{k, 2}] = feval(c{:});
  end
end
