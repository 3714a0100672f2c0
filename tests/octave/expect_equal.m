function expect_equal(got, want, what)
  % Exact comparison of value, class and size.
  if ! strcmp(class(got), class(want)) || ! isequal(size(got), size(want)) || ! isequal(got, want)
    error('test:mismatch', '%s: got %s (%s %s), want %s (%s %s)', what, mat2str(got), class(got), ...
          mat2str(size(got)), mat2str(want), class(want), mat2str(size(want)));
  end
end
