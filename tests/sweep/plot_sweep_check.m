% plot_sweep_check(ring, torus, ring_snapshots): draws every kind of
% plot_sweep figure from the three latticesweep MAT-files into PNGs; errors
% unless each file is of a plausible size, the last axes drawn carry the
% expected labels, and the heat map's cells are the replicates' mean final
% level of their combination (description order, whatever order the loaded
% struct lists its fields in).
function plot_sweep_check(ring, torus, ring_snapshots)
  s = struct('ring', load(ring), 'torus', load(torus), 'ring_snapshots', load(ring_snapshots));
  % sweep, plot_sweep's arguments, x label, y label, axes drawn
  cases = {
    'torus', {'means'}, 'step', 'mean level', 1
    'ring', {'summary', 'noise', 'mutation_rate'}, 'noise', 'final mean level', 1
    'ring', {'summary', 'radius'}, 'radius', 'final mean level', 1
    'ring', {'heatmap', 'mutation_rate', 'noise'}, 'mutation_rate', 'noise', 1
    'torus', {'snapshots', 3}, 'column', 'row', 4
    'ring_snapshots', {'snapshots', 2}, 'step', 'site', 1
  };
  f = figure('visible', 'off');
  for c = 1:size(cases, 1)
    [name, args, x, y, count] = cases{c, :};
    plot_sweep(s.(name), args{:});
    png = sprintf('plot_sweep_%d.png', c);
    print(f, '-dpngcairo', png);
    info = dir(png);
    what = sprintf('case %d (%s)', c, args{1});
    assert(numel(info) == 1 && info.bytes > 5000 && info.bytes < 5e6, [what ': PNG size']);
    assert(strcmp(get(get(gca, 'XLabel'), 'String'), x), [what ': x label']);
    assert(strcmp(get(get(gca, 'YLabel'), 'String'), y), [what ': y label']);
    assert(numel(findobj(f, 'Type', 'axes', '-not', 'Tag', 'legend', '-not', 'Tag', 'colorbar')) == count, ...
           [what ': axes']);
  end
  % The heat map just drawn again: cell (j, i) is mutation rate i, noise j
  % at the first radius, over the replicates.
  r = s.ring;
  plot_sweep(r, 'heatmap', 'mutation_rate', 'noise');
  cells = get(findobj(gca, 'Type', 'image'), 'CData');
  rates = r.summary.axes.mutation_rate;
  noises = r.summary.axes.noise;
  assert(isequal(size(cells), [numel(noises), numel(rates)]), 'heat map size');
  for i = 1:numel(rates)
    for j = 1:numel(noises)
      k = find(r.swept.mutation_rate == rates(i) & r.swept.noise == noises(j) & r.swept.radius == r.swept.radius(1));
      finals = arrayfun(@(run) r.mean_levels(r.runs.steps(run), run), k);
      assert(abs(cells(j, i) - mean(finals)) <= 1e-12, sprintf('heat map cell (%d, %d)', j, i));
    end
  end
  fprintf('plot_sweep: %d figures drawn\n', size(cases, 1));
end
