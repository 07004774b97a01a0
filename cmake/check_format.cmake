# Checks that the C and C++ sources are formatted as .clang-format says:
#   cmake -DSOURCE_DIR=<folder holding src/> -P check_format.cmake
# Prints "clang-format not found" (the test counts as skipped) where it is missing.
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
find_program(CLANG_FORMAT NAMES clang-format clang-format-16 clang-format-15 clang-format-14)
if(NOT CLANG_FORMAT)
  message("clang-format not found")
  return()
endif()
set(files "")
foreach(folder src tests bench)
  file(GLOB_RECURSE found ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.c)
  list(APPEND files ${found})
endforeach()
list(SORT files)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files}
  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE status ERROR_VARIABLE report)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "not formatted (run clang-format -i on these files):\n${report}")
endif()
list(LENGTH files count)
message("${count} files formatted")
