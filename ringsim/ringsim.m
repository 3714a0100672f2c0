% RINGSIM  Imitation with mutation on a ring of sites.
%   [FINAL_TRAITS, MEAN_LEVELS] = RINGSIM(TRAITS, INTERCEPT, SLOPE, LEVELS,
%   RADIUS, NOISE, MUTATION_RATE, STEPS, SEED) runs STEPS steps of the ring
%   model and returns the final trait levels and the mean level after every
%   step. The run is reproducible bit for bit from its arguments.
%
%   The elements of TRAITS, in column-major order, form the ring: the last
%   element is followed by the first. Every site holds a trait level in
%   0 .. LEVELS-1; a level v has the value INTERCEPT + SLOPE*v. A site's
%   score compares its value with its two neighbours', and its fitness is
%   its value times its score. At every step one random focal site pools
%   its own fitness and noisy observations of the RADIUS sites on each side
%   by level, and adopts the level with the highest mean observation. Then
%   every site may mutate one level up or down.
%
%   Inputs:
%     TRAITS         real double array of initial levels, any shape; each
%                    value is truncated toward zero and must then lie in
%                    0 .. LEVELS-1
%     INTERCEPT      finite scalar, intercept of the level value
%     SLOPE          finite scalar, slope of the level value
%     LEVELS         number of trait levels, at least 1
%     RADIUS         sites observed on each side of the focal site; 0 or
%                    less observes none; a radius beyond the ring wraps
%                    around and observes sites more than once; at most
%                    1073741823
%     NOISE          finite scalar, standard deviation of the Gaussian
%                    noise added to every neighbour observation
%     MUTATION_RATE  per site and step, probability of a mutation attempt
%                    (0 or less never mutates, 1 or more always attempts)
%     STEPS          number of steps, 0 or more
%     SEED           integer seed of the random stream; SEED and -SEED give
%                    the same run, as do 0, 1 and -1
%   Integer arguments are truncated toward zero and must lie in the int32
%   range.
%
%   Outputs:
%     FINAL_TRAITS   numel(TRAITS) x 1 int32 column of the final levels
%     MEAN_LEVELS    STEPS x 1 double column; entry t is the mean level
%                    after step t (only computed when asked for)
%
%   Bad arguments raise an error with an identifier ringsim:<reason>
%   (for example ringsim:levels or ringsim:traitOutOfRange) before anything
%   is run. So does a call whose outputs and scratch memory the host cannot
%   allocate, with ringsim:outOfMemory and a message naming the array that
%   does not fit and its size in bytes.
%
%   The random stream repeats after 2147483646 draws. A run whose mutation
%   sweeps alone draw more (NUMEL(TRAITS) x STEPS > 2147483646) warns, with
%   the identifier ringsim:streamPeriod, from which step it reuses its
%   randomness, and runs as usual; warning('off', 'ringsim:streamPeriod')
%   silences it.
%
%   Example:
%     [t, m] = ringsim([0 1 2 1 0 2 1 0]', 1, 0.5, 3, 2, 0.1, 0.05, 10, 7);
%
%   See also GRIDSIM.

%!test
%! % The example above, and the same run again from the same seed.
%! [t, m] = ringsim ([0 1 2 1 0 2 1 0]', 1, 0.5, 3, 2, 0.1, 0.05, 10, 7);
%! assert (t, int32 ([0 0 0 0 0 0 2 0]'));
%! assert (size (m), [10 1]);
%! assert (m(end), mean (double (t)));
%! assert (ringsim ([0 1 2 1 0 2 1 0]', 1, 0.5, 3, 2, 0.1, 0.05, 10, 7), t);
%!test
%! % A matrix is a ring of its elements in column-major order.
%! assert (ringsim ([0 1; 2 1], 1, 0.5, 3, 1, 0.1, 0.05, 0, 7), int32 ([0; 2; 1; 1]));
%!error id=ringsim:traitOutOfRange ringsim ([0 3], 1, 0.5, 3, 1, 0.1, 0.05, 10, 7)
%!error id=ringsim:nrhs ringsim ([0 1], 1, 0.5)
