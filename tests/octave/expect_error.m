function expect_error(id, fn, varargin)
  % Calls fn(varargin{:}) expecting a host error with identifier id; the
  % session must go on afterwards.
  try
    fn(varargin{:});
  catch err
    if ! strcmp(err.identifier, id)
      error('test:wrongError', 'expected %s, got %s: %s', id, err.identifier, err.message);
    end
    return;
  end
  error('test:noError', 'expected error %s, but the call succeeded', id);
end
