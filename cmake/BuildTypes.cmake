# Extra build types for the sanitizer runs: Asan (AddressSanitizer + UndefinedBehaviorSanitizer)
# and Tsan (ThreadSanitizer). Both keep optimisation low and frame pointers for good reports.
set(_san_common "-O1 -g -fno-omit-frame-pointer")
set(CMAKE_CXX_FLAGS_ASAN
    "${_san_common} -fsanitize=address,undefined -fno-sanitize-recover=undefined"
    CACHE STRING "C++ flags for the Asan build type" FORCE)
set(CMAKE_EXE_LINKER_FLAGS_ASAN "-fsanitize=address,undefined"
    CACHE STRING "Linker flags for the Asan build type" FORCE)
set(CMAKE_SHARED_LINKER_FLAGS_ASAN "-fsanitize=address,undefined"
    CACHE STRING "Shared linker flags for the Asan build type" FORCE)
set(CMAKE_CXX_FLAGS_TSAN "${_san_common} -fsanitize=thread"
    CACHE STRING "C++ flags for the Tsan build type" FORCE)
set(CMAKE_EXE_LINKER_FLAGS_TSAN "-fsanitize=thread"
    CACHE STRING "Linker flags for the Tsan build type" FORCE)
set(CMAKE_SHARED_LINKER_FLAGS_TSAN "-fsanitize=thread"
    CACHE STRING "Shared linker flags for the Tsan build type" FORCE)
mark_as_advanced(CMAKE_CXX_FLAGS_ASAN CMAKE_EXE_LINKER_FLAGS_ASAN CMAKE_SHARED_LINKER_FLAGS_ASAN
                 CMAKE_CXX_FLAGS_TSAN CMAKE_EXE_LINKER_FLAGS_TSAN CMAKE_SHARED_LINKER_FLAGS_TSAN)
