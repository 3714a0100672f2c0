function call_with_three_outputs(fn, varargin)
  % Asks fn for three outputs.
  [a, b, c] = fn(varargin{:});
end
