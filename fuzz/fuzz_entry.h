#pragma once

#include <cstddef>
#include <cstdint>

// libFuzzer's entry point, which every target defines; libFuzzer ships no header that declares it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
