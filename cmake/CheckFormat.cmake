# Checks that the C++ sources follow .clang-format (clang-format's dry run
# names each line that would change).
#
#   cmake -DROOT=SOURCE_FOLDER -DCLANG_FORMAT=PROGRAM -P cmake/CheckFormat.cmake
cmake_policy(VERSION 3.25)
if(NOT ROOT OR NOT CLANG_FORMAT)
  message(FATAL_ERROR "CheckFormat: ROOT and CLANG_FORMAT must be set")
endif()
set(_files)
foreach(folder base bench dialogs fuzz host module movie platform recording resources screenshots sdk tests tools track)
  file(GLOB_RECURSE _found ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  list(APPEND _files ${_found})
endforeach()
execute_process(COMMAND ${CLANG_FORMAT} --style=file --dry-run --Werror ${_files}
                RESULT_VARIABLE _result ERROR_VARIABLE _errors)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "Files that do not follow .clang-format (run clang-format -i on them):\n${_errors}")
endif()
