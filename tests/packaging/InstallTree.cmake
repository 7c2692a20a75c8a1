# cmake -DBUILD_DIR=... -DROOT=... -DSOURCE_DIR=... -P InstallTree.cmake
# Installs under ROOT (as DESTDIR, prefix /usr), checks the layout and runs the installed
# quorvel-batch through its link in bin/, the way a user of the package starts it.
file(REMOVE_RECURSE ${ROOT})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed:\n${out}")
endif()

set(lib ${ROOT}/usr/lib/quorvel)
set(expected ${lib}/quorvel-batch ${lib}/Relatorios ${ROOT}/usr/bin/quorvel-batch)
file(GLOB definitions RELATIVE ${SOURCE_DIR}/Relatorios ${SOURCE_DIR}/Relatorios/*.rav)
foreach(d ${definitions})
  list(APPEND expected ${lib}/Relatorios/${d})
endforeach()
if(EXISTS ${BUILD_DIR}/quorvel)
  list(APPEND expected ${lib}/quorvel ${ROOT}/usr/bin/quorvel
       ${ROOT}/usr/share/applications/quorvel.desktop)
  foreach(size 16 32 48 64 128)
    list(APPEND expected ${ROOT}/usr/share/icons/hicolor/${size}x${size}/apps/quorvel.png)
  endforeach()
endif()
foreach(path ${expected})
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
# The links in bin/ are relative, so the tree works wherever it is unpacked.
foreach(link ${ROOT}/usr/bin/quorvel-batch ${ROOT}/usr/bin/quorvel)
  if(EXISTS ${link})
    file(READ_SYMLINK ${link} target)
    if(IS_ABSOLUTE "${target}")
      message(FATAL_ERROR "${link} points to the absolute path ${target}")
    endif()
  endif()
endforeach()

execute_process(COMMAND ${ROOT}/usr/bin/quorvel-batch --help
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "Usage: quorvel-batch")
  message(FATAL_ERROR "installed quorvel-batch --help: status ${rc}\n${out}${err}")
endif()

# Every example label file lists from the installed tree.
file(GLOB examples ${ROOT}/usr/share/doc/*/examples/*.txt)
if(out MATCHES "quorvel-batch list")
  # The examples are a Brazilian shop's files: their prices are written with a decimal comma.
  set(ENV{LANG} pt_BR.UTF-8)
  unset(ENV{LC_ALL})
  unset(ENV{LC_NUMERIC})
  foreach(example ${examples})
    execute_process(COMMAND ${ROOT}/usr/bin/quorvel-batch list ${example}
      RESULT_VARIABLE rc OUTPUT_VARIABLE listed ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "installed quorvel-batch list ${example}: status ${rc}\n${listed}${err}")
    endif()
    message(STATUS "list ${example}:\n${listed}")
  endforeach()
endif()
