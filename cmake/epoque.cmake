# The time a build's shipped binaries and packages carry, in seconds since
# 1970 (cmake -P, at each build):
#   cmake -DSOURCE=<source folder> -DSORTIE=<file> -P epoque.cmake
# SOURCE_DATE_EPOCH when it is set, else the time of the commit the sources
# are at; a source tree outside git, without SOURCE_DATE_EPOCH, has none (an
# empty file: its links take the clock's time and the release refuses). The
# file is rewritten only when the time changes, so that the binaries are
# linked again then and only then.
foreach(variable SOURCE SORTIE)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "epoque.cmake: -D${variable}= missing")
  endif()
endforeach()
set(epoque "")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoque "$ENV{SOURCE_DATE_EPOCH}")
  if(NOT epoque MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: '${epoque}'")
  endif()
else()
  find_program(git git)
  if(git)
    # Only this tree's own history: a copy of the sources lying inside some
    # other repository must not take that one's time.
    execute_process(COMMAND ${git} -C ${SOURCE} rev-parse --show-toplevel
                    OUTPUT_VARIABLE racine OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE resultat)
    if(resultat EQUAL 0 AND EXISTS "${racine}")
      file(REAL_PATH "${racine}" racine)
      file(REAL_PATH "${SOURCE}" source)
      if(racine STREQUAL source)
        execute_process(COMMAND ${git} -C ${SOURCE} log -1 --format=%ct
                        OUTPUT_VARIABLE epoque OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      endif()
    endif()
  endif()
  if(NOT epoque MATCHES "^[0-9]+$")
    set(epoque "")
  endif()
endif()
set(ancienne "<none>")
if(EXISTS ${SORTIE})
  file(READ ${SORTIE} ancienne)
endif()
if(NOT ancienne STREQUAL epoque)
  file(WRITE ${SORTIE} "${epoque}")
endif()
