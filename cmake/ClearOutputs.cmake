# cmake -DDIR=folder -DREADS="name|glob|..." -P ClearOutputs.cmake
# Deletes a test's outputs (files or folders, globs allowed) before it runs.
string(REPLACE "|" ";" reads "${READS}")
foreach(pattern IN LISTS reads)
  file(GLOB found LIST_DIRECTORIES true "${DIR}/${pattern}")
  if(found)
    file(REMOVE_RECURSE ${found})
  endif()
endforeach()
