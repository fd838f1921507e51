# Project-wide warning set; CI turns them into errors.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
                    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
                    # Designated initializers leave the other members at their defaults on purpose.
                    -Wno-missing-field-initializers)
if(QUILLON_WERROR)
  add_compile_options(-Werror)
endif()
