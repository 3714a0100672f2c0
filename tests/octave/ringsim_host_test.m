% ringsim loaded by the real host: worked run, shapes, harmless edge cases,
% rejections (the session goes on after each) and the help text.
args = {[0 1 2 1 0 2 1 0]', 1, 0.5, 3, 2, 0.1, 0.05, 10, 7};
[t, m] = ringsim(args{:});
expect_equal(t, int32([0 0 0 0 0 0 2 0]'), 'worked run traits');
expect_equal(m, [1 0.875 0.625 0.625 0.375 0.375 0.5 0.25 0.25 0.25]', 'worked run means');

% A row input gives the same column; one output works; repeat calls agree.
[t2, m2] = ringsim([0 1 2 1 0 2 1 0], 1, 0.5, 3, 2, 0.1, 0.05, 10, 7);
expect_equal(t2, t, 'row input');
expect_equal(m2, m, 'row input means');
t3 = ringsim(args{:});
expect_equal(t3, t, 'one output');

% A 2 x 3 matrix becomes a 6 x 1 column in column-major order.
[t4, m4] = ringsim([0 1 2; 2 1 0], 1, 0.5, 3, 2, 0.1, 0.05, 0, 7);
expect_equal(t4, int32([0; 2; 1; 1; 2; 0]), 'matrix input');
expect_equal(m4, zeros(0, 1), 'no steps');

% Empty ring with no steps; truncated arguments; integer-class scalars.
[t5, m5] = ringsim(zeros(0, 0), 1, 0.5, 3, 2, 0.1, 0.05, 0, 7);
expect_equal(t5, zeros(0, 1, 'int32'), 'empty ring');
expect_equal(m5, zeros(0, 1), 'empty ring means');
[t6, m6] = ringsim([0 1 2.9 1 0 2 1 0]', 1, 0.5, 3.9, 2.2, 0.1, 0.05, 10.5, -7.9);
expect_equal(t6, t, 'truncated arguments');
expect_equal(m6, m, 'truncated arguments means');
[t7, m7] = ringsim(args{1}, 1, 0.5, int32(3), int8(2), 0.1, 0.05, uint16(10), single(7));
expect_equal(t7, t, 'integer-class scalars');
for seed = [2147483647, -2147483647, -2147483648]
  [tt, mm] = ringsim(args{1:8}, seed);
  expect_equal(mm(end), double(sum(tt)) / 8, 'extreme seed mean');
end

% Rejections: each raises its identifier and the session goes on.
bad = @(k, v) [args(1:k-1), {v}, args(k+1:end)];
expect_error('ringsim:nrhs', @ringsim, args{1:8});
expect_error('ringsim:nlhs', @call_with_three_outputs, @ringsim, args{:});
expect_error('ringsim:traitsClass', @ringsim, bad(1, int32([0 1 2])){:});
expect_error('ringsim:traitsClass', @ringsim, bad(1, [true false]){:});
expect_error('ringsim:traitsClass', @ringsim, bad(1, 'abc'){:});
expect_error('ringsim:traitsClass', @ringsim, bad(1, [1i 0]){:});
expect_error('ringsim:traitsClass', @ringsim, bad(1, sparse([0 1 1])){:});
expect_error('ringsim:traitsClass', @ringsim, bad(1, {0, 1}){:});
expect_error('ringsim:traitsClass', @ringsim, bad(1, struct('a', 1)){:});
expect_error('ringsim:notScalar', @ringsim, bad(2, [1 2]){:});
expect_error('ringsim:notScalar', @ringsim, bad(4, []){:});
expect_error('ringsim:notScalar', @ringsim, bad(6, true){:});
expect_error('ringsim:notScalar', @ringsim, bad(9, 'x'){:});
expect_error('ringsim:notInt32', @ringsim, bad(4, NaN){:});
expect_error('ringsim:notInt32', @ringsim, bad(5, Inf){:});
expect_error('ringsim:notInt32', @ringsim, bad(8, 2^31){:});
expect_error('ringsim:notInt32', @ringsim, bad(9, -2^31 - 1){:});
expect_error('ringsim:notFinite', @ringsim, bad(2, Inf){:});
expect_error('ringsim:notFinite', @ringsim, bad(3, NaN){:});
expect_error('ringsim:notFinite', @ringsim, bad(6, -Inf){:});
expect_error('ringsim:levels', @ringsim, bad(4, 0){:});
expect_error('ringsim:steps', @ringsim, bad(8, -1){:});
expect_error('ringsim:emptyTraits', @ringsim, bad(1, []){:});
expect_error('ringsim:traitOutOfRange', @ringsim, bad(1, [0 1 3]'){:});
expect_error('ringsim:traitOutOfRange', @ringsim, bad(1, [0 -1 1]'){:});
if sizemax() > 2^32
  % A 64-bit host takes blocks past 4 GiB: only a size beyond int32 is too large.
  expect_error('ringsim:tooLarge', @ringsim, bad(1, zeros(0, 2^31)){:});
else
  expect_error('ringsim:tooLarge', @ringsim, bad(4, 2^30){:});
end
expect_error('ringsim:radius', @ringsim, bad(5, 2^30){:});
try
  ringsim(bad(1, [0 1 2 1 7]'){:});
catch err
  assert(! isempty(strfind(err.message, 'traits(5)')), err.message);
end
try
  ringsim(bad(1, int32([0 1 2])){:});
catch err
  assert(! isempty(strfind(err.message, 'got an int32 array')), err.message);
end

% After all those errors a valid call still gives the same result.
[t8, m8] = ringsim(args{:});
expect_equal(t8, t, 'after errors');
expect_equal(m8, m, 'after errors means');

% Mutation draws alone past the stream's period (2^20 sites x 2^11 steps =
% 2^31 > 2^31 - 2) print a warning with its identifier; warning('off', id)
% silences it and the outputs stay the same. A run within the period warns not.
big = {zeros(2^20, 1), 1, 0.5, 3, 2, 0.1, 0.01, 2048, 7};
lastwarn('');
printed = evalc('[tw, mw] = ringsim(big{:});');
[msg, id] = lastwarn();
expect_equal(id, 'ringsim:streamPeriod', 'stream warning identifier');
assert(! isempty(strfind(printed, 'warning: ringsim: the random stream repeats after 2147483646 draws')), printed);
assert(! isempty(strfind(msg, 'from step 2048 of 2048 on')), msg);
warning('off', 'ringsim:streamPeriod');
lastwarn('');
[tq, mq] = ringsim(big{:});
expect_equal(lastwarn(), '', 'silenced stream warning');
expect_equal(tq, tw, 'silenced run traits');
expect_equal(mq, mw, 'silenced run means');
warning('on', 'ringsim:streamPeriod');
ringsim(args{:});
expect_equal(lastwarn(), '', 'no stream warning within the period');

% The help text documents the call.
h = evalc('help ringsim');
assert(! isempty(strfind(h, 'MUTATION_RATE')), 'help text missing');
printf('ringsim host test passed\n');
