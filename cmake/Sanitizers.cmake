# AddressSanitizer and UndefinedBehaviorSanitizer for every target that links the build options.
if(QUILLON_SANITIZE)
  target_compile_options(quillon_build_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(quillon_build_options INTERFACE -fsanitize=address,undefined)
endif()
