# The project's warning set, on the build-options target every target links; CI turns them into
# errors.
target_compile_options(quillon_build_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
  # Designated initializers leave the other members at their defaults on purpose.
  -Wno-missing-field-initializers
  $<$<BOOL:${QUILLON_WERROR}>:-Werror>)
