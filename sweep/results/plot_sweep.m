function h = plot_sweep(s, kind, varargin)
% PLOT_SWEEP  Figures of a latticesweep MAT-file.
%   H = PLOT_SWEEP(S) draws, in the current figure, the mean level over the
%   steps of every combination of swept values of the sweep S (loaded with
%   S = load('OUT.mat')): the mean over its replicates as a line, one
%   standard deviation on either side as a band. H is the figure.
%
%   H = PLOT_SWEEP(S, 'means') is the same. The steps are 1, 2, ... or,
%   where the sweep kept the mean level only every so many steps,
%   S.mean_steps. Of more than 2000 rows of means, each line and its band
%   are drawn at every N-th of their rows and their last, as the x label
%   says, so that a long sweep draws in seconds.
%
%   H = PLOT_SWEEP(S, 'summary', X) draws S.summary.last_mean, the mean
%   level over each run's last S.summary.last_steps steps averaged over the
%   replicates, against the swept argument X (a name such as 'noise'),
%   with its standard error S.summary.last_se as error bars: one line per
%   value of the other swept argument, if there is one. (Files written
%   before last_se existed draw final_mean with final_std, as labelled.)
%   H = PLOT_SWEEP(S, 'summary', X, Y) draws one line per value of Y.
%
%   H = PLOT_SWEEP(S, 'heatmap', X, Y) draws S.summary.final_mean as a heat
%   map, X across and Y up, with a colour bar.
%
%   Swept arguments other than X and Y are held at their first value, which
%   the title names.
%
%   H = PLOT_SWEEP(S, 'snapshots', K) draws the snapshots of run K (a sweep
%   described with [snapshots]): a torus's as a montage of lattices, at
%   most 16 spread evenly over the steps, a ring's as one image of site
%   against step.
%
%   Combinations whose runs have 0 steps have no mean levels: their lines
%   are left out, which the legend or colour bar says; the heat map draws
%   their cells grey, as its colour bar says. More than 10 lines are told
%   apart by a colour bar of their values instead of a legend. A list that
%   repeats a value is drawn against its positions, ticks naming the
%   values. Swept values need not be evenly spaced: the heat map's cells
%   go by position in the list.
%
%   Without a display, draw into an invisible figure and print it:
%     f = figure('visible', 'off');
%     plot_sweep(s, 'heatmap', 'noise', 'mutation_rate');
%     print(f, '-dpng', 'heatmap.png');
%   (Octave with gnuplot, as octave-cli has it: '-dpngcairo' for '-dpng'.)
%
%   See also RINGSIM, GRIDSIM.
  if nargin < 1 || ~is_sweep(s)
    error('plot_sweep:notSweep', ['plot_sweep: give S, a sweep loaded with load(''OUT.mat''), ' ...
                                  'as in plot_sweep(load(''OUT.mat'')).']);
  end
  if nargin < 2
    kind = 'means';
  end
  kinds = {'means', 'summary', 'heatmap', 'snapshots'};
  if ~is_text(kind) || ~any(strcmp(kind, kinds))
    error('plot_sweep:kind', 'plot_sweep: KIND must be ''means'', ''summary'', ''heatmap'' or ''snapshots''.');
  end
  names = swept_names(s);
  % Every argument is checked before the figure is cleared.
  switch kind
    case 'means'
      no_more(varargin, 0, 'plot_sweep(S) or plot_sweep(S, ''means'')');
    case 'summary'
      no_more(varargin, 2, 'plot_sweep(S, ''summary'', X) or plot_sweep(S, ''summary'', X, Y)');
      [x, y] = axes_named(names, varargin, 1);
    case 'heatmap'
      no_more(varargin, 2, 'plot_sweep(S, ''heatmap'', X, Y)');
      [x, y] = axes_named(names, varargin, 2);
    case 'snapshots'
      no_more(varargin, 1, 'plot_sweep(S, ''snapshots'', K)');
      k = snapshot_run(s, varargin);
  end
  h = gcf;
  clf(h);
  colormap('default');
  switch kind
    case 'means'
      plot_means(s, names);
    case 'summary'
      plot_summary_lines(s, names, x, y);
    case 'heatmap'
      plot_heatmap(s, names, x, y);
    case 'snapshots'
      plot_snapshots(s, h, k);
  end
end

% At most this many legend entries, and ticks on an axis or colour bar.
function n = most_named()
  n = 10;
end

function yes = is_text(v)
  yes = ischar(v) && (isempty(v) || isrow(v));
end

function yes = is_sweep(s)
  yes = isstruct(s) && isscalar(s) && all(isfield(s, {'mean_levels', 'summary', 'swept', 'runs', 'model'})) && ...
        isstruct(s.summary) && all(isfield(s.summary, {'axes', 'final_mean', 'final_std'})) && ...
        isstruct(s.swept) && isfield(s.swept, 'replicate') && isstruct(s.runs) && ...
        all(isfield(s.runs, {'steps', 'levels'}));
end

function no_more(given, most, usage)
  if numel(given) > most
    error('plot_sweep:arguments', 'plot_sweep: too many arguments; call %s.', usage);
  end
end

% The swept arguments in the description's order, the order of the
% summary's dimensions; a loaded struct need not list its fields so
% (Octave lists them alphabetically). Each argument is placed at a
% dimension of its length whose place in the run order (the first
% argument varying slowest, the replicate fastest) gives its column of
% S.swept. Arguments that fit the same dimensions (lists of one length
% that never change, or change alike) take them in the order the
% description's [sweep] table writes them.
function names = swept_names(s)
  names = fieldnames(s.summary.axes)';
  n = numel(names);
  if n == 0
    return;
  end
  dims = size(s.summary.final_mean);
  dims(end + 1:n) = 1;
  replicates = max(s.swept.replicate);
  combination = floor((0:numel(s.swept.replicate) - 1)' / replicates);
  fits = false(n, n);  % fits(a, d): argument a can be dimension d
  for d = 1:n
    stride = prod(dims(d + 1:n));
    for a = 1:n
      values = s.summary.axes.(names{a});
      if numel(values) == dims(d) && isfield(s.swept, names{a})
        fits(a, d) = isequaln(values(mod(floor(combination / stride), dims(d)) + 1), s.swept.(names{a})(:));
      end
    end
  end
  order = place(fits, description_order(s, names), []);
  if numel(order) ~= n
    error('plot_sweep:notSweep', 'plot_sweep: S''s summary does not fit its table of runs; is it a whole latticesweep MAT-file?');
  end
  names = names(order);
end

% The first placement, by preference, of arguments at dimensions
% 1, 2, ... that completes the given start; [] if there is none.
function order = place(fits, preference, order)
  d = numel(order) + 1;
  if d > size(fits, 2)
    return;
  end
  for a = preference
    if fits(a, d) && ~any(order == a)
      found = place(fits, preference, [order, a]);
      if ~isempty(found)
        order = found;
        return;
      end
    end
  end
  order = [];
end

% The indices of NAMES in the order the description writes their keys in
% its [sweep] table (or as sweep.NAME at the top), those not found last.
function preference = description_order(s, names)
  keys = {};
  table = '';
  if isfield(s, 'description')
    lines = regexp(char(s.description(:)'), '\r?\n', 'split');
  else
    lines = {};
  end
  for l = 1:numel(lines)
    header = regexp(lines{l}, '^\s*\[\s*([^\]\s]*)\s*\]', 'tokens', 'once');
    if ~isempty(header)
      table = header{1};
      continue;
    end
    key = {};
    if strcmp(table, 'sweep')
      key = regexp(lines{l}, '^\s*"?(\w+)"?\s*=', 'tokens', 'once');
    elseif isempty(table)
      key = regexp(lines{l}, '^\s*sweep\s*\.\s*"?(\w+)"?\s*=', 'tokens', 'once');
    end
    keys(end + 1:end + numel(key)) = key;
  end
  where = inf(1, numel(names));
  for a = 1:numel(names)
    at = find(strcmp(keys, names{a}), 1);
    if ~isempty(at)
      where(a) = at;
    end
  end
  [~, preference] = sort(where);
end

% X and Y from the arguments: needed of them at least, Y defaulting to the
% other swept argument when there are exactly two.
function [x, y] = axes_named(names, given, needed)
  swept = strjoin(names, ', ');
  if isempty(names)
    error('plot_sweep:notSwept', ['plot_sweep: this sweep sweeps no argument, so it has no summary to draw ' ...
                                  'against one; plot_sweep(S) draws its mean levels.']);
  end
  if needed == 2 && numel(names) < 2
    error('plot_sweep:axes', ['plot_sweep: a heat map needs two swept arguments; this sweep sweeps only %s: ' ...
                              'plot_sweep(S, ''summary'', ''%s'') draws it.'], swept, names{1});
  end
  if numel(given) < needed
    what = {'the swept argument to draw across', 'two swept arguments, X across and Y up'};
    error('plot_sweep:axes', 'plot_sweep: name %s, of: %s.', what{needed}, swept);
  end
  for a = 1:numel(given)
    if ~is_text(given{a}) || ~any(strcmp(names, given{a}))
      if is_text(given{a})
        got = sprintf('''%s''', given{a});
      else
        got = sprintf('a %s', class(given{a}));
      end
      error('plot_sweep:axes', 'plot_sweep: %s must name a swept argument, one of: %s; got %s.', ...
            char('X' + (a - 1)), swept, got);
    end
  end
  x = given{1};
  y = '';
  if numel(given) > 1
    y = given{2};
  elseif numel(names) == 2
    y = names{~strcmp(names, x)};
  end
  if strcmp(x, y)
    error('plot_sweep:axes', 'plot_sweep: X and Y must be two different swept arguments, of: %s.', swept);
  end
end

function k = snapshot_run(s, given)
  if isempty(given)
    error('plot_sweep:run', 'plot_sweep: give the run whose snapshots to draw, such as plot_sweep(s, ''snapshots'', 1).');
  end
  if ~isfield(s, 'snapshots') || ~isfield(s, 'snapshot_steps')
    error('plot_sweep:noSnapshots', 'plot_sweep: this sweep kept no snapshots; describe them in [snapshots].');
  end
  k = given{1};
  n = numel(s.swept.replicate);
  if ~isnumeric(k) || ~isscalar(k) || ~(k >= 1 && k <= n && k == round(k))
    error('plot_sweep:run', 'plot_sweep: K must be a run number from 1 to %d.', n);
  end
  k = double(k);
end

% The summary field as a matrix over the values of x (rows) and y
% (columns), other swept arguments at their first value; and a note naming
% those.
function [m, note] = summary_over(s, names, field, x, y)
  values = s.summary.(field);
  index = repmat({1}, 1, max(numel(names), 2));
  note = '';
  for a = 1:numel(names)
    if strcmp(names{a}, x) || strcmp(names{a}, y)
      index{a} = ':';
    else
      note = sprintf('%s, %s = %g', note, names{a}, s.summary.axes.(names{a})(1));
    end
  end
  m = values(index{:});
  order = [find(strcmp(names, x)), find(strcmp(names, y))];
  if numel(order) == 2
    m = permute(m, [order, setdiff(1:ndims(m), order)]);
  end
  m = reshape(m, numel(s.summary.axes.(x)), []);
  if ~isempty(note)
    note = [' (' note(3:end) ')'];
  end
end

% n colours, each different: the axes' colour order while it lasts, else
% spread along the colour map (short of its palest end).
function c = line_colours(n)
  if n <= 7
    c = lines(n);
  else
    map = colormap();
    c = interp1(linspace(0, 1, size(map, 1)), map, linspace(0, 0.85, n));
  end
end

% At most most_named() of positions 1 .. n, spread evenly, ends included.
function ticks = thinned(n)
  ticks = unique(round(linspace(1, n, min(n, most_named()))));
end

% Which line stands for which combination: a legend of the lines drawn,
% named by LABELS, when there are few; else a colour bar of every
% combination's colour, some of them named by VALUES, under HEADING. The
% legend's last entry, or the heading, says which are not drawn for want
% of steps. TAKEN: about how much of the figure's width a legend takes
% (gnuplot narrows the axes for it as it draws, unknown to the axes).
function taken = line_key(handles, drawn, colours, labels, values, heading)
  n = numel(labels);
  taken = 0;
  missing = labels(~drawn);
  if n <= most_named()
    if ~isempty(missing)
      % An entry without a line: a point the colour of the background
      % (gnuplot leaves out an entry with no line style).
      first = handles(find(drawn, 1));
      x = get(first, 'XData');
      y = get(first, 'YData');
      handles(end + 1) = line(x(1), y(1), 'Color', get(gca, 'Color'), 'Tag', 'note');
      kids = get(gca, 'Children');  % the newest first
      set(gca, 'Children', kids([2:end, 1]));  % beneath the lines
      drawn(end + 1) = true;
      labels{end + 1} = sprintf('%d not drawn: 0 steps', numel(missing));
      if isscalar(missing)
        labels{end} = sprintf('%s: not drawn, 0 steps', missing{1});
      end
    end
    legend(handles(drawn), labels(drawn), 'Location', 'eastoutside', 'Interpreter', 'none');
    taken = text_width(gca, max(cellfun(@numel, labels(drawn))) + 8);
    return;
  end
  if ~isempty(missing)
    heading = sprintf('%s; %d of %d not drawn (0 steps)', heading, numel(missing), n);
  end
  colormap(colours);
  caxis([0.5, n + 0.5]);
  ticks = thinned(n);
  bar = colorbar();
  if isprop(bar, 'Ticks')  % a colour bar object, not axes
    set(bar, 'Ticks', ticks, 'TickLabels', values(ticks), 'TickLabelInterpreter', 'none');
  else
    set(bar, 'YTick', ticks, 'YTickLabel', values(ticks), 'TickLabelInterpreter', 'none');
  end
  ylabel(bar, heading, 'Interpreter', 'none');
  room_for_ticks(bar, values(ticks));
end

% The width in normalised units of the current figure that N characters
% of the axes AX's font take, about.
function w = text_width(ax, n)
  h = ancestor(ax, 'figure');
  units = get(h, 'Units');
  set(h, 'Units', 'pixels');
  figure_size = get(h, 'Position');
  set(h, 'Units', units);
  w = n * 0.6 * get(ax, 'FontSize') * get(0, 'ScreenPixelsPerInch') / 72 / figure_size(3);
end

% The axes narrowed, and the colour bar BAR moved left with them, to make
% room for tick labels as long as LABELS and the bar's label beyond them
% (the colour bar leaves room for about 2 characters).
function room_for_ticks(bar, labels)
  ax = gca;
  extra = text_width(ax, max(cellfun(@numel, labels)) - 2);
  if extra > 0
    set(ax, 'Position', get(ax, 'Position') - [0, 0, extra, 0]);
    set(bar, 'Position', get(bar, 'Position') - [extra, 0, 0, 0]);
  end
end

% The title in a font small enough that it fits over the axes, less the
% width TAKEN, in one line (gnuplot draws no title of two).
function fitted_title(text, taken)
  t = title(text, 'Interpreter', 'none');
  ax = gca;
  at = get(ax, 'Position');
  fits = (at(3) - taken) / (text_width(ax, numel(text)) * get(ax, 'TitleFontSizeMultiplier'));
  if fits < 1
    set(t, 'FontSize', max(6, floor(get(t, 'FontSize') * fits)));
  end
end

function plot_means(s, names)
  r = s.swept.replicate;
  replicates = max(r);
  combinations = numel(r) / replicates;
  [levels, steps] = recorded_means(s, numel(r));
  % A long series drawn whole takes gnuplot minutes: each line and band
  % keeps every EVERY-th of its rows, and its last.
  every = max(1, ceil(numel(steps) / most_drawn()));
  colours = line_colours(combinations);
  kept = cell(1, combinations);
  means = cell(1, combinations);
  spread = cell(1, combinations);
  labels = cell(1, combinations);
  values = cell(1, combinations);
  for c = 1:combinations
    runs = (c - 1) * replicates + (1:replicates);
    rows = find(~any(isnan(levels(:, runs)), 2));
    if ~isempty(rows)
      rows = rows(unique([1:every:numel(rows), numel(rows)]));
    end
    kept{c} = rows;
    means{c} = mean(levels(rows, runs), 2);
    spread{c} = zeros(numel(rows), 1);
    if replicates > 1
      spread{c} = std(levels(rows, runs), 0, 2);
    end
    labels{c} = combination_label(s, names, runs(1), ' = ', ', ');
    values{c} = combination_label(s, names, runs(1), '', ', ');
  end
  drawn = ~cellfun(@isempty, kept);
  % Every band first, pale, then every line over them.
  hold on;
  for c = find(drawn & replicates > 1)
    x = steps(kept{c});
    band = [means{c} - spread{c}; flipud(means{c} + spread{c})];
    fill([x; flipud(x)], band, 0.75 + 0.25 * colours(c, :), 'EdgeColor', 'none');
  end
  handles = zeros(1, combinations);
  for c = find(drawn)
    handles(c) = plot(steps(kept{c}), means{c}, 'Color', colours(c, :), 'LineWidth', 1.5);
  end
  hold off;
  % Short: a legend narrows the axes, and gnuplot crops a wider label.
  if every > 1
    xlabel(sprintf('step (every %s mean drawn)', ordinal(every)));
  else
    xlabel('step');
  end
  ylabel('mean level');
  what = 'Mean level';
  if replicates > 1
    what = sprintf('Mean level; bands: one s.d. over %d replicates', replicates);
  end
  if ~any(drawn)
    what = 'Mean level: every run has 0 steps, so there are no means to draw';
  elseif isempty(names)
    what = sprintf('%s (nothing swept)', what);
  end
  taken = 0;
  if ~isempty(names) && any(drawn)
    taken = line_key(handles, drawn, colours, labels, values, strjoin(names, ', '));
  end
  fitted_title(what, taken);
end

% About the most points a line of mean levels is drawn with.
function n = most_drawn()
  n = 2000;
end

% The mean levels of the sweep's RUNS runs, a row a recorded step, NaN
% below a run's own rows; and those steps: 1, 2, ... or, where the sweep
% kept the mean only every so many steps, S.mean_steps. A sweep with no
% rows has empty arrays, which may load as their sizes: these hold a 0,
% never a step.
function [levels, steps] = recorded_means(s, runs)
  if isfield(s, 'mean_steps')
    steps = double(s.mean_steps(:));
  else
    steps = (1:max([0; fix(s.runs.steps(:))]))';
  end
  if ~any(s.runs.steps(:) > 0) || any(steps < 1)
    steps = zeros(0, 1);
  end
  levels = zeros(numel(steps), runs);
  if ~isempty(steps)
    levels = s.mean_levels;
  end
end

% 2nd, 3rd, 11th, 21st, ...
function word = ordinal(n)
  suffix = 'th';
  if mod(floor(n / 10), 10) ~= 1 && any(mod(n, 10) == 1:3)
    suffixes = {'st', 'nd', 'rd'};
    suffix = suffixes{mod(n, 10)};
  end
  word = sprintf('%d%s', n, suffix);
end

% The swept values of a run, each after its name and JOIN if JOIN is
% given, separated by BETWEEN.
function label = combination_label(s, names, run, join, between)
  parts = cell(1, numel(names));
  for a = 1:numel(names)
    parts{a} = sprintf('%g', s.swept.(names{a})(run));
    if ~isempty(join)
      parts{a} = [names{a}, join, parts{a}];
    end
  end
  label = strjoin(parts, between);
end

% Where to draw a swept argument's values along an axis: at the values
% when they all differ, else at their positions in the list, ticks naming
% the values.
function [at, ticks, labels] = value_positions(values)
  values = values(:);
  if numel(unique(values)) == numel(values)
    at = values;
    ticks = [];
    labels = {};
  else
    at = (1:numel(values))';
    ticks = thinned(numel(values));
    labels = value_labels(values(ticks));
  end
end

function plot_summary_lines(s, names, x, y)
  % The window's mean with its standard error; the final step's mean with
  % one standard deviation in files without them.
  window = isfield(s.summary, 'last_se');
  if window
    [m, note] = summary_over(s, names, 'last_mean', x, y);
    e = summary_over(s, names, 'last_se', x, y);
    quantity = sprintf('mean level over the last %d steps', s.summary.last_steps);
    bars = 'one standard error';
  else
    [m, note] = summary_over(s, names, 'final_mean', x, y);
    e = summary_over(s, names, 'final_std', x, y);
    quantity = 'final mean level';
    bars = 'one s.d.';
  end
  [at, ticks, tick_labels] = value_positions(s.summary.axes.(x));
  [at, order] = sort(at);
  n = size(m, 2);
  colours = line_colours(n);
  values = {''};
  if ~isempty(y)
    values = value_labels(s.summary.axes.(y));
  end
  labels = strcat(y, {' = '}, values);
  drawn = any(~isnan(m), 1);
  handles = zeros(1, n);
  hold on;
  for j = find(drawn)
    handles(j) = errorbar(at, m(order, j), e(order, j));
    set(handles(j), 'Color', colours(j, :), 'LineWidth', 1.5);
  end
  hold off;
  xlabel(x, 'Interpreter', 'none');
  if ~isempty(ticks)
    set(gca, 'XTick', ticks, 'XTickLabel', tick_labels);
    xlabel(sprintf('%s (in list order: values repeat)', x), 'Interpreter', 'none');
  end
  ylabel(quantity);
  what = sprintf('Mean over replicates, bars: %s%s', bars, note);
  if ~any(drawn)
    what = sprintf('No %s: its runs have 0 steps, so there is none to draw%s', quantity, note);
  end
  taken = 0;
  if ~isempty(y) && any(drawn)
    taken = line_key(handles, drawn, colours, labels, values, y);
  end
  fitted_title(what, taken);
end

function plot_heatmap(s, names, x, y)
  [m, note] = summary_over(s, names, 'final_mean', x, y);
  xs = s.summary.axes.(x);
  ys = s.summary.axes.(y);
  m = m';
  % Cells by index, labelled with the values: swept values need not be
  % evenly spaced or differ.
  imagesc(1:numel(xs), 1:numel(ys), m);
  axis xy;
  finite = m(~isnan(m));
  if ~isempty(finite) && min(finite) < max(finite)
    caxis([min(finite), max(finite)]);
  end
  across = thinned(numel(xs));
  up = thinned(numel(ys));
  set(gca, 'XTick', across, 'XTickLabel', value_labels(xs(across)), 'YTick', up, ...
      'YTickLabel', value_labels(ys(up)));
  bar = colorbar();
  % Cells without a final level, grey: a colour map would colour them
  % as one of its ends.
  [i, j] = find(isnan(m));
  if ~isempty(i)
    corners = [-1, -1; 1, -1; 1, 1; -1, 1] / 2;
    vertices = kron([j, i], ones(4, 1)) + repmat(corners, numel(i), 1);
    patch('Faces', reshape(1:4 * numel(i), 4, [])', 'Vertices', vertices, 'FaceColor', [0.6, 0.6, 0.6], ...
          'EdgeColor', 'none');
    ylabel(bar, 'grey: no final level (runs of 0 steps)');
  end
  xlabel(x, 'Interpreter', 'none');
  ylabel(y, 'Interpreter', 'none');
  fitted_title(sprintf('Final mean level over replicates%s', note), 0);
end

function labels = value_labels(values)
  labels = cell(1, numel(values));
  for k = 1:numel(values)
    labels{k} = sprintf('%g', values(k));
  end
end

function plot_snapshots(s, h, k)
  steps = s.snapshot_steps;
  top = fix(double(s.runs.levels(k))) - 1;
  if strcmp(char(s.model(:)'), 'ringsim')
    imagesc(1:numel(steps), 1:size(s.snapshots, 1), double(s.snapshots(:, :, k)), [0, max(top, 1)]);
    ticks = thinned(numel(steps));
    set(gca, 'XTick', ticks, 'XTickLabel', value_labels(steps(ticks)));
    colorbar;
    xlabel('step');
    ylabel('site');
    title(sprintf('Run %d: levels after each snapshot step', k));
    return;
  end
  shown = unique(round(linspace(1, numel(steps), min(numel(steps), 16))));
  panels = montage_positions(h, numel(shown));
  font = get(0, 'DefaultAxesFontSize');
  if numel(shown) > 4
    font = 0.8 * font;
  end
  lattice = size(s.snapshots);
  for p = 1:numel(shown)
    axes('Position', panels(p, :));
    imagesc(double(s.snapshots(:, :, shown(p), k)), [0, max(top, 1)]);
    axis image;
    set(gca, 'FontSize', font, 'XTick', few_ticks(lattice(2)), 'YTick', few_ticks(lattice(1)));
    xlabel('column');
    ylabel('row');
    title(sprintf('step %d', steps(shown(p))));
  end
  bar = colorbar();
  set(gca, 'Position', panels(end - 1, :));
  set(bar, 'Position', panels(end, :), 'FontSize', font);
  ylabel(bar, sprintf('run %d: level', k));
end

% Ticks at a lattice's ends and at most two places between.
function ticks = few_ticks(n)
  ticks = unique(round(linspace(1, n, min(n, 4))));
end

% The panels of a montage of n in the figure h, row by row from the top
% left, then the place of its colour bar, in normalised units. Each panel
% keeps room for its title above it, its tick labels and label below and
% to its left: the montage's font is at most the axes' default.
function panels = montage_positions(h, n)
  across = ceil(sqrt(n));
  down = ceil(n / across);
  units = get(h, 'Units');
  set(h, 'Units', 'pixels');
  figure_size = get(h, 'Position');
  set(h, 'Units', units);
  w = figure_size(3);
  hgt = figure_size(4);
  % A line of text as high as the font: gnuplot sets a title 1.6 to 2.9
  % of them above the axes, ticks and label 1.1 to 4.5 below, 3.3 to the left.
  text_line = get(0, 'DefaultAxesFontSize') * get(0, 'ScreenPixelsPerInch') / 72;
  if n > 4
    text_line = 0.8 * text_line;
  end
  bar_width = 12 * text_line;  % the colour bar, its ticks and label at the right
  cell_w = (w - bar_width) / across;
  cell_h = hgt / down;
  left = 4 * text_line;
  below = 5 * text_line;
  above = 3.5 * text_line;
  panels = zeros(n + 1, 4);
  for p = 1:n
    row = ceil(p / across);
    col = p - (row - 1) * across;
    panels(p, :) = [(col - 1) * cell_w + left, hgt - row * cell_h + below, ...
                    max(cell_w - left - text_line / 2, 1), max(cell_h - below - above, 1)];
  end
  panels(n + 1, :) = [w - bar_width + left, below, text_line, max(hgt - below - above, 1)];
  panels = panels ./ [w, hgt, w, hgt];
end

%!error id=plot_sweep:notSweep plot_sweep (struct ('a', 1))
%!error id=plot_sweep:notSweep plot_sweep ()
