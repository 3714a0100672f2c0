% Demonstration: one ring run and its mean level over the steps.
printf('ringsim: 8 sites, levels 0..2, 10 steps, seed 7\n');
[final_traits, mean_levels] = ringsim([0 1 2 1 0 2 1 0]', 1, 0.5, 3, 2, 0.1, 0.05, 10, 7);
printf('  final traits: %s\n', mat2str(final_traits'));
printf('  mean levels:  %s\n', mat2str(mean_levels', 4));

ring = mod(floor((0:999)' / 50), 10);
[ring_final, ring_means] = ringsim(ring, 1, 0.2, 10, 2, 0.1, 0.001, 2000, 42);
printf('ringsim: 1000 sites, 10 levels, 2000 steps: mean level %.4f -> %.4f\n', ring_means(1), ring_means(end));
