% Both plug-ins under an address-space limit of a few GB (CTest sets one
% with ulimit -v): a mean_levels column beyond it is refused as out of
% memory before any step, and the session goes on.
assert(isempty(regexp(fileread('/proc/self/limits'), 'Max address space\s+unlimited', 'once')), ...
       'run under an address-space limit (ulimit -v 4000000)');
x = [0 1 2 1 0 2 1 0]';
expect_error('ringsim:outOfMemory', @call_with_two_outputs, @ringsim, x, 1, 0.5, 3, 2, 0.1, 0.05, 2^31 - 1, 7);
expect_error('gridsim:outOfMemory', @call_with_two_outputs, @gridsim, [0 1 2; 2 1 0], 0.5, 1, 3, 0, 0, 0.3, ...
             0.05, 2^31 - 1, 7);
[t, m] = ringsim(x, 1, 0.5, 3, 2, 0.1, 0.05, 10, 7);
expect_equal(t, int32([0 0 0 0 0 0 2 0]'), 'a call after the refusals');
printf('out-of-memory host test passed\n');
