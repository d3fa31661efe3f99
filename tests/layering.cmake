# The core's layers, checked on the sources: evolution/ is the base, protocol/
# builds on evolution/ only, campaign/ on both; none of them includes Qt or
# speaks of the window's controls. The analysis includes neither Qt nor MPI.
#   cmake -DROOT=<project> -P tests/layering.cmake

set(allowed_evolution "evolution")
set(allowed_protocol "evolution|protocol")
set(allowed_campaign "evolution|protocol|campaign")

set(failures "")
foreach(layer evolution protocol campaign)
  file(GLOB sources "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^#include")
    foreach(line ${includes})
      if(line MATCHES "^#include \"([^/\"]+)/")
        if(NOT CMAKE_MATCH_1 MATCHES "^(${allowed_${layer}})$")
          list(APPEND failures "${source}: ${line} reaches above ${layer}/")
        endif()
      elseif(line MATCHES "^#include \"")
        list(APPEND failures "${source}: ${line} is not root-relative")
      elseif(line MATCHES "^#include <Q")
        list(APPEND failures "${source}: ${line} brings Qt into the core")
      endif()
    endforeach()
    file(STRINGS "${source}" widgets REGEX "(Edit|Image|ProgressBar|ScrollBar|Button|ComboBox|Panel)[0-9]+")
    foreach(line ${widgets})
      list(APPEND failures "${source}: names a window control: ${line}")
    endforeach()
  endforeach()
endforeach()

# The analysis of a series database needs neither Qt nor MPI: its pictures
# are a library of their own (analysis_plots/), its front end is cli/.
file(GLOB sources "${ROOT}/analysis/*.h" "${ROOT}/analysis/*.cpp")
foreach(source ${sources})
  file(STRINGS "${source}" includes REGEX "^#include")
  foreach(line ${includes})
    if(line MATCHES "^#include <(Q|mpi)")
      list(APPEND failures "${source}: ${line}: the analysis needs neither Qt nor MPI")
    elseif(line MATCHES "^#include \"(app|cli|analysis_plots)/")
      list(APPEND failures "${source}: ${line} reaches above analysis/")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
