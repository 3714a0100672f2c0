% sweep_summary_check(file, axes): loads a latticesweep MAT-file and
% recomputes its summary from mean_levels; axes names the swept arguments
% in the description's order. Errors unless shapes, axes and values agree.
function sweep_summary_check(file, axes)
  s = load(file);
  u = s.summary;
  r = s.runs;
  dims = [cellfun(@(a) numel(u.axes.(a)), axes), ones(1, 2 - numel(axes))];
  fields = {'final_mean', 'final_std', 'last_mean', 'last_std', 'last_se', 'first_half', 'second_half', 'replicates'};
  for f = 1:numel(fields)
    assert(isequal(size(u.(fields{f})), dims), sprintf('%s: summary.%s is %s', file, fields{f}, mat2str(size(u.(fields{f})))));
  end
  n = u.last_steps;
  for e = 1:prod(dims)
    at = cell(1, max(numel(axes), 1));
    [at{:}] = ind2sub(dims, e);
    pick = true(numel(r.seed), 1);
    for a = 1:numel(axes)
      pick = pick & s.swept.(axes{a}) == u.axes.(axes{a})(at{a});
    end
    k = find(pick);
    finals = arrayfun(@(j) s.mean_levels(r.steps(j), j), k);
    lasts = arrayfun(@(j) mean(s.mean_levels(r.steps(j) - n + 1:r.steps(j), j)), k);
    seconds = arrayfun(@(j) mean(s.mean_levels(r.steps(j) - floor(n / 2) + 1:r.steps(j), j)), k);
    close = @(x, y) abs(x - y) <= 1e-12;
    assert(u.replicates(e) == numel(k), sprintf('%s: replicates of element %d', file, e));
    assert(close(u.final_mean(e), mean(finals)), sprintf('%s: final_mean of element %d', file, e));
    assert(close(u.final_std(e), std(finals)), sprintf('%s: final_std of element %d', file, e));
    assert(close(u.last_mean(e), mean(lasts)), sprintf('%s: last_mean of element %d', file, e));
    assert(close(u.last_se(e), std(lasts) / sqrt(numel(k))), sprintf('%s: last_se of element %d', file, e));
    assert(n < 2 || close(u.second_half(e), mean(seconds)), sprintf('%s: second_half of element %d', file, e));
    % Each run names the summary element of its combination.
    assert(all(r.combination(k) == e), sprintf('%s: runs.combination of element %d', file, e));
  end
  printf('%s: summary of %d combinations agrees\n', file, prod(dims));
end
