% GRIDSIM  Imitation with mutation on a torus.
%   [FINAL_TRAITS, MEAN_LEVELS] = GRIDSIM(TRAITS, INTERCEPT, SLOPE, LEVELS,
%   PAYOFF_MODE, NEIGHBOURHOOD, NOISE, MUTATION_RATE, STEPS, SEED) runs
%   STEPS steps of the torus model and returns the final trait matrix and
%   the mean level after every step. The run is reproducible bit for bit
%   from its arguments.
%
%   TRAITS is an M x N matrix wrapped at all four edges. Every site holds a
%   trait level in 0 .. LEVELS-1; a level v has the value INTERCEPT +
%   SLOPE*v. A site's score compares its value with its neighbours', by the
%   four-neighbour linear rule or the eight-neighbour quadrant rule, and
%   its fitness is its value times its score. At every step one random
%   focal site pools its own fitness and noisy observations of its four or
%   eight neighbours by level, and adopts the level with the highest mean
%   observation. Then every site may mutate one level up or down.
%
%   Inputs:
%     TRAITS         real double M x N matrix of initial levels; each value
%                    is truncated toward zero and must then lie in
%                    0 .. LEVELS-1
%     INTERCEPT      finite scalar, intercept of the level value
%     SLOPE          finite scalar, slope of the level value
%     LEVELS         number of trait levels, at least 1
%     PAYOFF_MODE    0: linear score over the four orthogonal neighbours;
%                    any other value: quadrant score over all eight
%     NEIGHBOURHOOD  0: observe the four orthogonal neighbours; any other
%                    value: all eight
%     NOISE          finite scalar, standard deviation of the Gaussian
%                    noise added to every neighbour observation
%     MUTATION_RATE  per site and step, probability of a mutation attempt
%                    (0 or less never mutates, 1 or more always attempts)
%     STEPS          number of steps, 0 or more
%     SEED           integer seed of the random stream; SEED and -SEED give
%                    the same run, as do 0, 1 and -1
%   Integer arguments (LEVELS, PAYOFF_MODE, NEIGHBOURHOOD, STEPS, SEED) are
%   truncated toward zero and must lie in the int32 range.
%
%   Outputs:
%     FINAL_TRAITS   M x N int32 matrix of the final levels
%     MEAN_LEVELS    STEPS x 1 double column; entry s is the mean level
%                    after step s (only computed when asked for)
%
%   Bad arguments raise an error with an identifier gridsim:<reason>
%   (for example gridsim:levels or gridsim:traitOutOfRange) before anything
%   is run. So does a call whose outputs and scratch memory the host cannot
%   allocate, with gridsim:outOfMemory and a message naming the array that
%   does not fit and its size in bytes.
%
%   The random stream repeats after 2147483646 draws. A run whose mutation
%   sweeps alone draw more (NUMEL(TRAITS) x STEPS > 2147483646) warns, with
%   the identifier gridsim:streamPeriod, from which step it reuses its
%   randomness, and runs as usual; warning('off', 'gridsim:streamPeriod')
%   silences it.
%
%   Example:
%     [t, m] = gridsim([0 1 2; 2 1 0], 0.5, 1, 3, 1, 1, 0.3, 0.05, 5, 7);
%
%   See also RINGSIM.

%!test
%! % The example above: rows and columns as given, the means after each step.
%! [t, m] = gridsim ([0 1 2; 2 1 0], 0.5, 1, 3, 1, 1, 0.3, 0.05, 5, 7);
%! assert (t, int32 ([0 1 2; 2 2 2]));
%! assert (size (m), [5 1]);
%! assert (m(end), mean (double (t(:))));
%!error id=gridsim:traitsDims gridsim (zeros (2, 2, 2), 0.5, 1, 3, 1, 1, 0.3, 0.05, 5, 7)
%!error id=gridsim:notScalar gridsim ([0 1], [1 2], 1, 3, 1, 1, 0.3, 0.05, 5, 7)
