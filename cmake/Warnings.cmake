# The project's warning set, on the build-options target every target links; CI turns them into
# errors.
target_compile_options(quillon_build_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
  # A function with external linkage is declared in a header; one used in a single file is not
  # exported by accident (clang spells this check -Wmissing-prototypes).
  -Wmissing-declarations $<$<CXX_COMPILER_ID:Clang>:-Wmissing-prototypes>
  # Designated initializers leave the other members at their defaults on purpose.
  -Wno-missing-field-initializers
  $<$<BOOL:${QUILLON_WERROR}>:-Werror>)
