% gridsim loaded by the real host: the whole runs, shapes, harmless edge
% cases, rejections (the session goes on after each) and the help text.
x = [0 1 2; 2 1 0];
runs = {
  % payoff_mode neighbourhood noise rate steps seed  final rows      means
  {0, 0, 0.3, 0.05, 5, 7, [1 1 1; 2 1 1], [7/6 1 1 7/6 7/6]'}
  {1, 1, 0.3, 0.05, 5, 7, [0 1 2; 2 2 2], [1 7/6 1 1 1.5]'}
  {1, 0, 0,   0,    3, 1, [0 2 2; 2 1 0], [7/6 7/6 7/6]'}
  {0, 1, 0,   0,    3, 1, [0 1 1; 2 1 0], [1 5/6 5/6]'}
};
for k = 1:numel(runs)
  r = runs{k};
  [t, m] = gridsim(x, 0.5, 1, 3, r{1}, r{2}, r{3}, r{4}, r{5}, r{6});
  expect_equal(t, int32(r{7}), sprintf('whole run %d traits', k));
  expect_equal(m, r{8}, sprintf('whole run %d means', k));
end
args = {x, 0.5, 1, 3, 0, 0, 0.3, 0.05, 5, 7};
[t0, m0] = gridsim(args{:});

% One output; harmless equivalents; odd shapes.
expect_equal(gridsim(args{:}), t0, 'one output');
[t1, m1] = gridsim([0 1 2.9; 2 1 -0.7], 0.5, 1, 3.5, 0.9, 0.5, 0.3, 0.05, 5.7, -7);
expect_equal(t1, t0, 'truncated arguments');
expect_equal(m1, m0, 'truncated arguments means');
[ta, ma] = gridsim(x, 0.5, 1, 3, 1, -1, 0.3, 0.05, 5, 7);
[tb, mb] = gridsim(x, 0.5, 1, 3, 1, 1, 0.3, 0.05, 5, 7);
expect_equal(ta, tb, 'neighbourhood -1 is eight');
shapes = {zeros(1, 1), zeros(1, 6), zeros(5, 1), zeros(4, 7)};
for k = 1:numel(shapes)
  [ts, ms] = gridsim(shapes{k} + 1, 0.5, 1, 3, 1, 1, 0.2, 0.1, 30, k);
  expect_equal(size(ts), size(shapes{k}), 'shape kept');
  expect_equal(class(ts), 'int32', 'int32 output');
  expect_equal(ms(end), double(sum(ts(:))) / numel(ts), 'last mean');
end
[te, me] = gridsim(zeros(0, 3), 0.5, 1, 3, 0, 0, 0.3, 0.05, 0, 7);
expect_equal(te, zeros(0, 3, 'int32'), 'empty torus');
expect_equal(me, zeros(0, 1), 'empty torus means');

% Rejections: each raises its identifier and the session goes on.
bad = @(k, v) [args(1:k-1), {v}, args(k+1:end)];
expect_error('gridsim:nrhs', @gridsim, args{1:9});
expect_error('gridsim:nrhs', @gridsim, args{:}, 1);
expect_error('gridsim:nlhs', @call_with_three_outputs, @gridsim, args{:});
expect_error('gridsim:traitsClass', @gridsim, bad(1, int32(x)){:});
expect_error('gridsim:traitsClass', @gridsim, bad(1, x > 0){:});
expect_error('gridsim:traitsClass', @gridsim, bad(1, x + 1i){:});
expect_error('gridsim:traitsClass', @gridsim, bad(1, sparse(x)){:});
expect_error('gridsim:traitsClass', @gridsim, bad(1, 'ab'){:});
expect_error('gridsim:traitsDims', @gridsim, bad(1, zeros(2, 2, 2)){:});
expect_error('gridsim:notScalar', @gridsim, bad(5, [0 1]){:});
expect_error('gridsim:notScalar', @gridsim, bad(6, {1}){:});
expect_error('gridsim:notInt32', @gridsim, bad(5, NaN){:});
expect_error('gridsim:notInt32', @gridsim, bad(6, 1e10){:});
expect_error('gridsim:notInt32', @gridsim, bad(10, Inf){:});
expect_error('gridsim:notFinite', @gridsim, bad(7, NaN){:});
expect_error('gridsim:notFinite', @gridsim, bad(2, -Inf){:});
expect_error('gridsim:levels', @gridsim, bad(4, 0){:});
expect_error('gridsim:steps', @gridsim, bad(9, -1){:});
expect_error('gridsim:emptyTraits', @gridsim, bad(1, zeros(3, 0)){:});
expect_error('gridsim:traitOutOfRange', @gridsim, bad(1, [0 1 2; 2 1 3]){:});

% A 1024 x 1024 torus outlasts its stream in 2048 steps: made an error,
% the warning stops the call before anything is created.
warning('error', 'gridsim:streamPeriod');
expect_error('gridsim:streamPeriod', @gridsim, zeros(1024), 1, 0.5, 3, 1, 1, 0.1, 0.01, 2048, 7);
warning('on', 'gridsim:streamPeriod');

[t2, m2] = gridsim(args{:});
expect_equal(t2, t0, 'after errors');
expect_equal(m2, m0, 'after errors means');
h = evalc('help gridsim');
assert(! isempty(strfind(h, 'NEIGHBOURHOOD')), 'help text missing');
printf('gridsim host test passed\n');
