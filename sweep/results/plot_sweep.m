function h = plot_sweep(s, kind, varargin)
% PLOT_SWEEP  Figures of a latticesweep MAT-file.
%   H = PLOT_SWEEP(S) draws, in the current figure, the mean level over the
%   steps of every combination of swept values of the sweep S (loaded with
%   S = load('OUT.mat')): the mean over its replicates as a line, one
%   standard deviation on either side as a band. H is the figure.
%
%   H = PLOT_SWEEP(S, 'means') is the same.
%
%   H = PLOT_SWEEP(S, 'summary', X) draws S.summary.final_mean against the
%   swept argument X (a name such as 'noise'), with S.summary.final_std as
%   error bars: one line per value of the other swept argument, if there
%   is one.
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
%   Without a display, draw into an invisible figure and print it:
%     f = figure('visible', 'off');
%     plot_sweep(s, 'heatmap', 'noise', 'mutation_rate');
%     print(f, '-dpng', 'heatmap.png');
%   (Octave with gnuplot, as octave-cli has it: '-dpngcairo' for '-dpng'.)
%
%   See also RINGSIM, GRIDSIM.
  if nargin < 2
    kind = 'means';
  end
  if ~isstruct(s) || ~isfield(s, 'mean_levels') || ~isfield(s, 'summary') || ~isfield(s, 'swept')
    error('plot_sweep:notSweep', 'plot_sweep: S must be a latticesweep MAT-file loaded with load.');
  end
  h = gcf;
  clf(h);
  switch kind
    case 'means'
      plot_means(s);
    case 'summary'
      [x, y] = axes_named(s, varargin, 1);
      plot_summary_lines(s, x, y);
    case 'heatmap'
      [x, y] = axes_named(s, varargin, 2);
      plot_heatmap(s, x, y);
    case 'snapshots'
      if isempty(varargin)
        error('plot_sweep:run', 'plot_sweep: give the run whose snapshots to draw, such as plot_sweep(s, ''snapshots'', 1).');
      end
      plot_snapshots(s, varargin{1});
    otherwise
      error('plot_sweep:kind', 'plot_sweep: KIND must be ''means'', ''summary'', ''heatmap'' or ''snapshots''.');
  end
end

% The swept arguments in the description's order, which is the order of
% the summary's dimensions (a loaded struct may list its fields in another).
% Runs go as the description does, the first argument varying slowest: an
% argument of several values keeps its first for more runs the earlier it
% comes. Arguments of one value take the summary's other dimensions, all of
% length 1.
function names = swept_names(s)
  names = fieldnames(s.summary.axes);
  names = names(:)';
  n = numel(names);
  kept = inf(1, n);
  for a = 1:n
    v = s.swept.(names{a});
    change = find(v ~= v(1), 1);
    if ~isempty(change)
      kept(a) = change - 1;
    end
  end
  sz = size(s.summary.final_mean);
  sz(end + 1:max(n, 2)) = 1;
  several = find(isfinite(kept));
  [~, order] = sort(kept(several), 'descend');
  dims = zeros(1, n);
  dims(several(order)) = find(sz(1:n) > 1);
  ones_at = find(sz(1:n) == 1);
  dims(dims == 0) = ones_at;
  [~, order] = sort(dims);
  names = names(order);
end

% X and Y from the arguments: at least needed of them, Y defaulting to the
% other swept argument when there is exactly one.
function [x, y] = axes_named(s, given, needed)
  names = swept_names(s);
  if numel(given) < needed
    error('plot_sweep:axes', 'plot_sweep: name %d swept argument(s) of: %s.', needed, strjoin(names, ', '));
  end
  x = given{1};
  y = '';
  if numel(given) > 1
    y = given{2};
  elseif numel(names) == 2
    y = names{~strcmp(names, x)};
  end
  for a = {x, y}
    if ~isempty(a{1}) && ~any(strcmp(names, a{1}))
      error('plot_sweep:axes', 'plot_sweep: ''%s'' is not swept; the swept arguments are: %s.', a{1}, ...
            strjoin(names, ', '));
    end
  end
  if strcmp(x, y)
    error('plot_sweep:axes', 'plot_sweep: X and Y must be two different swept arguments.');
  end
end

% The summary field as a matrix over the values of x (rows) and y
% (columns), other swept arguments at their first value; and a note naming
% those.
function [m, note] = summary_over(s, field, x, y)
  names = swept_names(s);
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

function plot_means(s)
  r = s.swept.replicate;
  replicates = max(r);
  combinations = numel(r) / replicates;
  names = swept_names(s);
  colours = lines(combinations);
  steps = (1:size(s.mean_levels, 1))';
  means = zeros(numel(steps), combinations);
  spread = zeros(numel(steps), combinations);
  labels = cell(1, combinations);
  for c = 1:combinations
    runs = (c - 1) * replicates + (1:replicates);
    means(:, c) = mean(s.mean_levels(:, runs), 2);
    if replicates > 1
      spread(:, c) = std(s.mean_levels(:, runs), 0, 2);
    end
    labels{c} = combination_label(s, names, runs(1));
  end
  % Every band first, pale, then every line over them.
  hold on;
  for c = 1:combinations
    shown = ~isnan(means(:, c));
    band = [means(shown, c) - spread(shown, c); flipud(means(shown, c) + spread(shown, c))];
    fill([steps(shown); flipud(steps(shown))], band, 0.75 + 0.25 * colours(c, :), 'EdgeColor', 'none');
  end
  handles = zeros(1, combinations);
  for c = 1:combinations
    shown = ~isnan(means(:, c));
    handles(c) = plot(steps(shown), means(shown, c), 'Color', colours(c, :), 'LineWidth', 1.5);
  end
  hold off;
  xlabel('step');
  ylabel('mean level');
  title(sprintf('Mean level; bands: one s.d. over %d replicates', replicates));
  if ~isempty(names)
    legend(handles, labels, 'Location', 'eastoutside', 'Interpreter', 'none');
  end
end

function label = combination_label(s, names, run)
  label = '';
  for a = 1:numel(names)
    label = sprintf('%s, %s = %g', label, names{a}, s.swept.(names{a})(run));
  end
  if ~isempty(label)
    label = label(3:end);
  end
end

function plot_summary_lines(s, x, y)
  [m, note] = summary_over(s, 'final_mean', x, y);
  e = summary_over(s, 'final_std', x, y);
  xs = s.summary.axes.(x);
  colours = lines(size(m, 2));
  hold on;
  labels = cell(1, size(m, 2));
  for j = 1:size(m, 2)
    bars = errorbar(xs, m(:, j), e(:, j));
    set(bars, 'Color', colours(j, :), 'LineWidth', 1.5);
    if ~isempty(y)
      labels{j} = sprintf('%s = %g', y, s.summary.axes.(y)(j));
    end
  end
  hold off;
  xlabel(x, 'Interpreter', 'none');
  ylabel('final mean level');
  title(sprintf('Mean over replicates, bars: one s.d.%s', note), 'Interpreter', 'none');
  if ~isempty(y)
    legend(labels, 'Location', 'eastoutside', 'Interpreter', 'none');
  end
end

function plot_heatmap(s, x, y)
  [m, note] = summary_over(s, 'final_mean', x, y);
  xs = s.summary.axes.(x);
  ys = s.summary.axes.(y);
  % Cells by index, labelled with the values: swept values need not be evenly spaced.
  imagesc(1:numel(xs), 1:numel(ys), m');
  axis xy;
  set(gca, 'XTick', 1:numel(xs), 'XTickLabel', value_labels(xs), 'YTick', 1:numel(ys), ...
      'YTickLabel', value_labels(ys));
  colorbar;
  xlabel(x, 'Interpreter', 'none');
  ylabel(y, 'Interpreter', 'none');
  title(sprintf('Final mean level over replicates%s', note), 'Interpreter', 'none');
end

function labels = value_labels(values)
  labels = cell(1, numel(values));
  for k = 1:numel(values)
    labels{k} = sprintf('%g', values(k));
  end
end

function plot_snapshots(s, k)
  if ~isfield(s, 'snapshots')
    error('plot_sweep:noSnapshots', 'plot_sweep: this sweep kept no snapshots; describe them in [snapshots].');
  end
  n = numel(s.swept.replicate);
  if ~isscalar(k) || k < 1 || k > n || k ~= round(k)
    error('plot_sweep:run', 'plot_sweep: K must be a run number from 1 to %d.', n);
  end
  steps = s.snapshot_steps;
  top = double(s.runs.levels(k)) - 1;
  if strcmp(char(s.model(:)'), 'ringsim')
    imagesc(1:numel(steps), 1:size(s.snapshots, 1), double(s.snapshots(:, :, k)), [0, max(top, 1)]);
    set(gca, 'XTick', 1:numel(steps), 'XTickLabel', value_labels(steps));
    colorbar;
    xlabel('step');
    ylabel('site');
    title(sprintf('Run %d: levels after each snapshot step', k));
    return;
  end
  shown = unique(round(linspace(1, numel(steps), min(numel(steps), 16))));
  across = ceil(sqrt(numel(shown)));
  down = ceil(numel(shown) / across);
  for p = 1:numel(shown)
    subplot(down, across, p);
    imagesc(double(s.snapshots(:, :, shown(p), k)), [0, max(top, 1)]);
    axis image;
    xlabel('column');
    ylabel('row');
    title(sprintf('run %d, step %d', k, steps(shown(p))));
  end
  colorbar;
end
