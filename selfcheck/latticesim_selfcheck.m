function ok = latticesim_selfcheck()
% LATTICESIM_SELFCHECK  Check that this build of ringsim and gridsim gives
% the expected results, bit for bit.
%   OK = LATTICESIM_SELFCHECK() runs the demonstration's runs and a few dozen
%   fixed runs of RINGSIM and GRIDSIM, compares every final level and the
%   bit pattern of every mean level with the results stored beside this
%   file in latticesim_selfcheck_cases.txt, and prints one verdict: PASS,
%   or FAIL with, for each run that differs, the output, the first element
%   that differs and its expected and actual values (means as the 16 hex
%   digits of their bit patterns). OK is true on a pass.
%
%   Run it after every build with a compiler, host or platform of your own:
%   a build that computes in other precisions (for example x87 arithmetic
%   on 32-bit x86, fused multiply-add, fast-math) fails it.
%
%   See also RINGSIM, GRIDSIM.

file = fullfile(fileparts(mfilename('fullpath')), 'latticesim_selfcheck_cases.txt');
runs = read_runs(file);
hi_word = high_word_index();
differing = 0;
levels = 0;
means = 0;
for k = 1:numel(runs)
  r = runs{k};
  if ~check_run(r, k, hi_word)
    differing = differing + 1;
  end
  levels = levels + numel(r.final_levels);
  means = means + numel(r.mean_words) / 2;
end
ok = differing == 0;
if ok
  fprintf('latticesim_selfcheck: PASS: all %d runs gave the expected %d final levels and the bits of all %d means\n', ...
          numel(runs), levels, means);
else
  fprintf(['latticesim_selfcheck: FAIL: %d of %d runs differ from the expected results (listed above); ', ...
           'this build does not compute what every other build computes\n'], differing, numel(runs));
end
end

function same = check_run(r, k, hi_word)
% Runs one case and reports the first difference in each output.
args = num2cell(words_to_doubles(r.args, hi_word));
traits = reshape(r.traits, r.dims(1), r.dims(2));
try
  [final_traits, mean_levels] = feval(r.fn, traits, args{:});
catch err
  fprintf('  run %d (%s): %s raised %s: %s\n', k, r.label, r.fn, err.identifier, err.message);
  same = false;
  return;
end
same = true;
if ~isa(final_traits, 'int32') || ~isa(mean_levels, 'double')
  fprintf('  run %d (%s): outputs of classes %s and %s, expected int32 and double\n', k, r.label, ...
          class(final_traits), class(mean_levels));
  same = false;
  return;
end
if strcmp(r.fn, 'ringsim')
  want = [numel(r.traits), 1];
else
  want = r.dims(:)';
end
if ~isequal(size(final_traits), want) || ~isequal(size(mean_levels), [numel(r.mean_words) / 2, 1])
  fprintf('  run %d (%s): outputs of sizes %s and %s, expected %s and %s\n', k, r.label, ...
          mat2str(size(final_traits)), mat2str(size(mean_levels)), mat2str(want), ...
          mat2str([numel(r.mean_words) / 2, 1]));
  same = false;
  return;
end
got = double(final_traits(:));
same = report(r, k, 'final_traits', 'levels', r.final_levels, got, 1) && same;
got = [];
if numel(mean_levels) > 0
  words = reshape(double(typecast(mean_levels(:)', 'uint32')), 2, numel(mean_levels));
  got = reshape(words([hi_word, 3 - hi_word], :), [], 1);
end
same = report(r, k, 'mean_levels', 'means', r.mean_words, got, 2) && same;
end

function same = report(r, k, output, noun, expected, got, width)
% width 1: one level per element; width 2: a mean's high and low words.
% The sizes agree (check_run compared them).
differs = any(reshape(got ~= expected, width, []), 1);
same = ~any(differs);
if same
  return;
end
first = find(differs, 1);
if width == 1
  fprintf('  run %d (%s): %s(%d) expected %d, got %d (%d of %d %s differ)\n', k, r.label, output, first, ...
          expected(first), got(first), sum(differs), numel(differs), noun);
else
  e = expected(2 * first - 1:2 * first);
  g = got(2 * first - 1:2 * first);
  fprintf('  run %d (%s): %s(%d) expected %08x%08x, got %08x%08x (%d of %d %s differ)\n', k, r.label, output, ...
          first, e(1), e(2), g(1), g(2), sum(differs), numel(differs), noun);
end
end

function i = high_word_index()
% Which of a double's two 32-bit words holds its sign and exponent here.
w = typecast(1, 'uint32');
i = find(w ~= 0);
end

function v = words_to_doubles(hilo, hi_word)
% Pairs of (high, low) words back into doubles, exactly.
w = zeros(2, numel(hilo) / 2);
w(hi_word, :) = hilo(1:2:end);
w(3 - hi_word, :) = hilo(2:2:end);
v = typecast(uint32(w(:)'), 'double');
end

function runs = read_runs(file)
% The expected results: see the comment lines at the top of the file.
fid = fopen(file, 'r');
if fid < 0
  error('latticesim_selfcheck:noCases', 'latticesim_selfcheck: cannot open %s', file);
end
runs = {};
r = [];
line = fgetl(fid);
while ischar(line)
  if ~isempty(line) && line(1) ~= '%'
    [key, rest] = strtok(line);
    if strcmp(key, 'case')
      if ~isempty(r)
        runs{end + 1} = r;
      end
      r = struct('label', strtrim(rest), 'fn', '', 'dims', [0 0], 'args', [], ...
                 'traits', [], 'final_levels', [], 'mean_words', []);
    elseif strcmp(key, 'function')
      r.fn = strtrim(rest);
      if ~strcmp(r.fn, 'ringsim') && ~strcmp(r.fn, 'gridsim')
        fclose(fid);
        error('latticesim_selfcheck:badCases', 'latticesim_selfcheck: %s names an unknown function %s', file, r.fn);
      end
    elseif strcmp(key, 'size')
      r.dims = sscanf(rest, '%d')';
    else
      n = sscanf(rest, '%d');
      if strcmp(key, 'arguments')
        r.args = read_block(fid, 2 * n, '%8x', file);
      elseif strcmp(key, 'traits')
        r.traits = read_block(fid, n, '%d', file);
      elseif strcmp(key, 'final')
        r.final_levels = read_block(fid, n, '%d', file);
      elseif strcmp(key, 'means')
        r.mean_words = read_block(fid, 2 * n, '%8x', file);
      else
        fclose(fid);
        error('latticesim_selfcheck:badCases', 'latticesim_selfcheck: %s has an unknown line: %s', file, line);
      end
    end
  end
  line = fgetl(fid);
end
fclose(fid);
if ~isempty(r)
  runs{end + 1} = r;
end
end

function v = read_block(fid, n, format, file)
% n values from the lines that follow; a 16-digit hex token gives two words.
v = zeros(n, 1);
got = 0;
while got < n
  line = fgetl(fid);
  if ~ischar(line)
    fclose(fid);
    error('latticesim_selfcheck:badCases', 'latticesim_selfcheck: %s ends inside a block', file);
  end
  w = sscanf(line, format);
  if got + numel(w) > n
    fclose(fid);
    error('latticesim_selfcheck:badCases', 'latticesim_selfcheck: a block of %s holds too many values', file);
  end
  v(got + 1:got + numel(w)) = w;
  got = got + numel(w);
end
end

%!assert (latticesim_selfcheck ())
