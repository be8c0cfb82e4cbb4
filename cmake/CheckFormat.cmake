# Checks that every C++ file of the program, its tools, benchmark and tests
# is laid out as .clang-format says (run by CTest as the test "format"):
#   cmake -DCLANG_FORMAT=<clang-format> -DROOT=<source folder> -P CheckFormat.cmake
# clang-format -i on a file lays it out so.

if(NOT CLANG_FORMAT OR NOT ROOT)
    message(FATAL_ERROR "Give -DCLANG_FORMAT=<program> -DROOT=<source folder>")
endif()

set(globs "")
foreach(folder src tools bench tests)
    foreach(ending h hh hpp hxx inl ipp tpp c cc cpp cxx cppm ixx)
        list(APPEND globs ${ROOT}/${folder}/*.${ending})
    endforeach()
endforeach()
file(GLOB_RECURSE files ${globs})
# Deliberately wrong files that a test feeds to a checker are no code of ours.
list(FILTER files EXCLUDE REGEX "/tests/layers/")
# Nor are the browser tests' npm packages (scripts/install-deps.sh puts them there).
list(FILTER files EXCLUDE REGEX "/node_modules/")
list(LENGTH files count)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${files}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Not laid out as .clang-format says (see above); clang-format -i mends it")
endif()
message(STATUS "${count} files laid out as .clang-format says")
