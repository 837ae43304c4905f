# Runs lupdate over the updater's product sources (tests, fuzz targets and
# test support left out) into the given .ts files: texts new in the sources
# are added with an empty translation, texts gone from them are dropped.
#
#   cmake -DLUPDATE=<lupdate> -DSOURCE_DIR=<repository>/updater
#         -DTS_FILES="<a.ts>;<b.ts>" -DLIST_FILE=<scratch file> -P extract-texts.cmake
#
# Used by the translation test (into a scratch file) and by the build target
# pathwarden_update_translations (into resources/pathwarden/translations).

foreach(var LUPDATE SOURCE_DIR TS_FILES LIST_FILE)
  if(NOT ${var})
    message(FATAL_ERROR "extract-texts.cmake: ${var} is not set")
  endif()
endforeach()

file(GLOB_RECURSE headers LIST_DIRECTORIES false "${SOURCE_DIR}/*.h")
file(GLOB_RECURSE sources LIST_DIRECTORIES false "${SOURCE_DIR}/*.cpp")
foreach(list headers sources)
  list(FILTER ${list} EXCLUDE REGEX "/(tests|fuzz|testsupport)/")
  list(SORT ${list})
endforeach()
string(REPLACE ";" "\n" content "${headers};${sources}")
file(WRITE "${LIST_FILE}" "${content}\n")

execute_process(
  # The sources include each other from the repository's root.
  COMMAND "${LUPDATE}" -silent -locations none -no-obsolete -I "${SOURCE_DIR}/.."
          "@${LIST_FILE}" -ts ${TS_FILES}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${result})")
endif()
