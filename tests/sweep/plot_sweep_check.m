% plot_sweep_check(ring, torus, ring_snapshots, awkward): draws every kind of
% plot_sweep figure from the three latticesweep MAT-files into PNGs; errors
% unless each file is of a plausible size, the last axes drawn carry the
% expected labels, and the heat map's cells are the replicates' mean final
% level of their combination (description order, whatever order the loaded
% struct lists its fields in). Then draws each kind from the awkward sweeps
% made from plot_*.toml into the folder AWKWARD and checks the figures'
% properties, and that bad calls fail with their identifier, the figure
% left as it was.
function plot_sweep_check(ring, torus, ring_snapshots, awkward)
  s = struct('ring', load(ring), 'torus', load(torus), 'ring_snapshots', load(ring_snapshots));
  window = sprintf('mean level over the last %d steps', s.ring.summary.last_steps);
  % sweep, plot_sweep's arguments, x label, y label, axes drawn
  cases = {
    'torus', {'means'}, 'step', 'mean level', 1
    'ring', {'summary', 'noise', 'mutation_rate'}, 'noise', window, 1
    'ring', {'summary', 'radius'}, 'radius', window, 1
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
  awkward_checks(s, awkward, f);
end

function awkward_checks(s, folder, f)
  for name = {'zero_steps', 'no_steps', 'repeated', 'many', 'unswept', 'montage'}
    s.(name{1}) = load(fullfile(folder, ['plot_' name{1} '.mat']));
  end
  % Without its description the runs alone place the swept arguments.
  s.bare_ring = rmfield(s.ring, 'description');
  % The swept arguments as each description writes them.
  order = struct('zero_steps', {{'noise', 'steps'}}, 'no_steps', {{'noise', 'mutation_rate'}}, ...
                 'repeated', {{'radius', 'slope', 'noise', 'mutation_rate'}}, 'many', {{'noise', 'mutation_rate'}}, ...
                 'bare_ring', {{'noise', 'radius', 'mutation_rate'}});
  % sweep, arguments, lines drawn, legend entries (-1: a colour bar),
  % the first entry or colour bar tick, the x ticks' labels if set
  lines_cases = {
    'zero_steps', {}, 3, 4, 'noise = 0.1, steps = 12', {}
    'no_steps', {}, 0, 0, '', {}
    'repeated', {}, 24, -1, '2, 1, 0.5, 0', {}
    'many', {}, 24, -1, '0, 0', {}
    'unswept', {}, 1, 0, '', {}
    'zero_steps', {'summary', 'noise'}, 1, 2, 'steps = 12', {}
    'no_steps', {'summary', 'mutation_rate', 'noise'}, 0, 0, '', {}
    'repeated', {'summary', 'mutation_rate', 'radius'}, 2, 2, 'radius = 2', {'0', '0.05', '0'}
    'many', {'summary', 'mutation_rate', 'noise'}, 12, -1, '0', {}
  };
  for c = 1:size(lines_cases, 1)
    [name, args, drawn, entries, first, ticks] = lines_cases{c, :};
    what = sprintf('%s %s', name, strjoin(args, ' '));
    plot_sweep(s.(name), args{:});
    types = {'line', 'hggroup'};  % a summary's lines are errorbar's groups
    drawn_lines = findobj(gca, 'Type', types{1 + ~isempty(args)}, '-not', 'Tag', 'note');
    assert(numel(drawn_lines) == drawn, [what ': lines drawn']);
    colours = cell2mat(arrayfun(@(h) get(h, 'Color'), drawn_lines(:), 'UniformOutput', false));
    assert(size(unique(round(colours * 1e6), 'rows'), 1) == drawn, [what ': colours repeat']);
    key = findobj(f, 'Tag', 'legend');
    bar = findobj(f, 'Tag', 'colorbar');
    assert(numel(key) == (entries > 0) && numel(bar) == (entries < 0), [what ': legend or colour bar']);
    if entries > 0
      names = get(key, 'String');
      assert(numel(names) == entries && (entries == drawn || ~isempty(strfind(names{end}, 'not drawn'))), ...
             [what ': legend entries']);
    elseif entries < 0
      names = cellstr(get(bar, 'YTickLabel'));
    end
    assert(entries == 0 || (numel(names) <= 10 && strcmp(names{1}, first)), [what ': first entry']);
    if ~isempty(ticks)
      assert(isequal(cellstr(get(gca, 'XTickLabel'))', ticks), [what ': x ticks']);
    end
  end
  long_means_checks(s.zero_steps);
  % The summary's line is the window's means, its bars their standard
  % errors (2 replicates; steps held at 12).
  plot_sweep(s.zero_steps, 'summary', 'noise');
  bars = findobj(gca, 'Type', 'hggroup');
  summary = s.zero_steps.summary;
  assert(isequal(get(bars, 'YData')(:), summary.last_mean(:, 1)) && isequal(get(bars, 'UData')(:), summary.last_se(:, 1)) ...
         && all(summary.last_se(:, 1) > 0), 'summary: window means and their errors');
  % sweep, X, Y: every cell the runs' mean, NaN as NaN and grey
  heat_cases = {'zero_steps', 'noise', 'steps'; 'no_steps', 'noise', 'mutation_rate'; 'repeated', 'noise', 'slope'
                'repeated', 'mutation_rate', 'radius'; 'many', 'noise', 'mutation_rate'; 'bare_ring', 'mutation_rate', 'noise'};
  for c = 1:size(heat_cases, 1)
    [name, x, y] = heat_cases{c, :};
    what = sprintf('%s heat map of %s and %s', name, x, y);
    plot_sweep(s.(name), 'heatmap', x, y);
    cells = get(findobj(gca, 'Type', 'image'), 'CData');
    m = finals(s.(name), order.(name));
    for i = 1:numel(s.(name).summary.axes.(x))
      assert(isequaln(cells(:, i), cell_of(m, order.(name), x, i, y, ':')(:)), sprintf('%s: column %d', what, i));
    end
    missing = any(isnan(cells(:)));
    assert(numel(findobj(gca, 'Type', 'patch')) == missing, [what ': grey cells']);
    heading = get(get(findobj(f, 'Tag', 'colorbar'), 'YLabel'), 'String');
    assert(missing == ~isempty(strfind(heading, 'grey')), [what ': colour bar heading']);
    assert(numel(get(gca, 'XTick')) <= 10 && numel(get(gca, 'YTick')) <= 10, [what ': ticks']);
  end
  % A ring's 40 snapshots: ticks thinned, each naming its step.
  plot_sweep(s.unswept, 'snapshots', 2);
  ticks = get(gca, 'XTick');
  assert(numel(ticks) <= 10 && isequal(str2double(cellstr(get(gca, 'XTickLabel'))), s.unswept.snapshot_steps(ticks)), ...
         'ring snapshots: ticks');
  % A torus's 20: 16 panels with room between them for titles and ticks
  % (gnuplot needs some 7.4 lines of text between rows, 3.3 between columns).
  plot_sweep(s.montage, 'snapshots', 2);
  panels = findobj(f, 'Type', 'axes', '-not', 'Tag', 'colorbar');
  assert(numel(panels) == 16, 'montage: panels');
  size_px = get(f, 'Position')(3:4);
  line = get(panels(1), 'FontSize') * get(0, 'ScreenPixelsPerInch') / 72;
  boxes = [cell2mat(get([panels; findobj(f, 'Tag', 'colorbar')], 'Position')) .* [size_px, size_px]];
  for p = 1:16
    assert(numel(get(panels(p), 'XTick')) <= 4 && numel(get(panels(p), 'YTick')) <= 4, 'montage: ticks');
    for q = p + 1:size(boxes, 1)
      apart = max([boxes(q, 1) - boxes(p, 1) - boxes(p, 3), boxes(p, 1) - boxes(q, 1) - boxes(q, 3)]) >= 3.3 * line || ...
              max([boxes(q, 2) - boxes(p, 2) - boxes(p, 4), boxes(p, 2) - boxes(q, 2) - boxes(q, 4)]) >= 7.4 * line;
      assert(apart, sprintf('montage: panels %d and %d too close', p, q));
    end
  end
  assert(isequal(get(findobj(panels(1), 'Type', 'image'), 'CData'), double(s.montage.snapshots(:, :, end, 2))), ...
         'montage: the last panel is the last snapshot');
  % Bad calls: sweep ('' for none), arguments, identifier, part of the message.
  bad = {
    '', {}, 'notSweep', 'give S, a sweep loaded with load'
    'ring', {'means', 'noise'}, 'arguments', 'plot_sweep(S) or plot_sweep(S, ''means'')'
    'ring', {'summary'}, 'axes', 'noise, radius, mutation_rate'
    'ring', {'summary', 'seed'}, 'axes', 'one of: noise, radius, mutation_rate; got ''seed''.'
    'ring', {'summary', 'noise', 'radius', 'steps'}, 'arguments', 'plot_sweep(S, ''summary'', X, Y)'
    'ring', {'heatmap', 'noise'}, 'axes', 'name two swept arguments'
    'unswept', {'summary', 'noise'}, 'notSwept', 'this sweep sweeps no argument'
    'montage', {'heatmap', 'noise', 'steps'}, 'axes', 'this sweep sweeps only noise'
    'ring', {'snapshots', 1}, 'noSnapshots', 'describe them in [snapshots]'
    'unswept', {'snapshots', 1, 2}, 'arguments', 'plot_sweep(S, ''snapshots'', K)'
    'ring', {'surface'}, 'kind', 'KIND must be'
  };
  kept = sort(findall(f));
  for c = 1:size(bad, 1)
    [name, args, id, part] = bad{c, :};
    if ~isempty(name)
      args = [{s.(name)}, args];
    end
    try
      plot_sweep(args{:});
      error('plot_sweep_check:bad', 'bad call %d drew', c);
    catch e
      assert(strcmp(e.identifier, ['plot_sweep:' id]) && ~isempty(strfind(e.message, part)), ...
             sprintf('bad call %d: %s (%s)', c, e.message, e.identifier));
    end
    assert(isequal(sort(findall(f)), kept), sprintf('bad call %d changed the figure', c));
  end
  fprintf('plot_sweep: awkward sweeps drawn, %d bad calls refused\n', size(bad, 1));
end

% Long series of means, every step's or, given mean_steps, every few
% steps': each line and its band drawn at every EVERY-th row and the last.
function long_means_checks(t)
  r = max(t.swept.replicate);
  runs = find(t.runs.steps(:)' > 0);
  for c = {50000, 1, 25; 4001, 7, 3; 1500, 4, 1}'  % rows, steps apart (1: no mean_steps), every
    [rows, apart, every] = c{:};
    t.mean_levels = nan(rows, numel(t.runs.steps));
    t.mean_levels(:, runs) = cos((1:rows)' * runs / rows);
    if apart > 1
      t.mean_steps = apart * (1:rows)';
    end
    t.runs.steps(runs) = apart * rows;
    plot_sweep(t);
    drawn = flipud(findobj(gca, 'Type', 'line', '-not', 'Tag', 'note'));  % in the order drawn
    [x, y] = deal(cell2mat(get(drawn, 'XData')), cell2mat(get(drawn, 'YData')));  % a row a line
    at = unique([1:every:rows, rows]);
    means = squeeze(mean(reshape(t.mean_levels(at, runs), [], r, numel(runs) / r), 2))';
    bands = cell2mat(get(flipud(findobj(gca, 'Type', 'patch')), 'XData')');
    assert(size(x, 2) <= 2001 && isequal(x, repmat(apart * at, size(means, 1), 1)) && max(abs(y(:) - means(:))) <= 1e-12 ...
           && isequal(bands, [x, fliplr(x)]') && strcmp(get(get(gca, 'XLabel'), 'String'), 'step') == (every == 1), ...
           sprintf('%d means, %d steps apart', rows, apart));
  end
end

% Every combination's mean final level over its replicates, from the runs,
% an array with a dimension per swept argument in the order ORDER:
% combinations go as the runs, the first argument varying slowest.
function m = finals(s, order)
  n = numel(s.runs.steps);
  last = nan(n, 1);
  for k = find(s.runs.steps(:)' > 0)
    last(k) = s.mean_levels(s.runs.steps(k), k);
  end
  sizes = cellfun(@(a) numel(s.summary.axes.(a)), order);
  m = reshape(mean(reshape(last, max(s.swept.replicate), []), 1), [fliplr(sizes), 1]);
  m = permute(m, [numel(sizes):-1:1, numel(sizes) + 1]);
end

% The cells of M at value I of X and J of Y, other arguments at their first.
function v = cell_of(m, order, x, i, y, j)
  index = num2cell(ones(1, max(numel(order), 2)));
  index{strcmp(order, x)} = i;
  index{strcmp(order, y)} = j;
  v = m(index{:});
end
