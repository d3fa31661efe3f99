# The core's layers, checked on the sources: edge/ is the bottom (the standard
# library and POSIX only), evolution/ the base of the numerics, protocol/
# builds on evolution/ and edge/, campaign/ on those; none of them includes Qt
# or speaks of the window's controls. The analysis includes neither Qt nor MPI;
# the Python module (python/) binds the core and the analysis, never Qt.
#   cmake -DROOT=<project> -P tests/layering.cmake

set(allowed_edge "edge")
set(allowed_evolution "evolution")
set(allowed_protocol "evolution|protocol|edge")
set(allowed_campaign "evolution|protocol|campaign|edge")
set(allowed_python "evolution|protocol|campaign|edge|analysis|python")
# What edge/ may include besides itself: C++ headers, <sys/...> and these.
set(posix_edge "fcntl|unistd|signal|limits|errno|dirent|poll|pthread")

set(failures "")
foreach(layer edge evolution protocol campaign python)
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
      elseif(layer STREQUAL "edge" AND NOT line MATCHES "^#include <([a-z_]+|sys/[a-z_]+\\.h|(${posix_edge})\\.h)>")
        list(APPEND failures "${source}: ${line} is neither the standard library nor POSIX")
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

# The series' core (the store, the scheduler, the runs, from request to
# result) needs neither Qt nor MPI: the summary's pictures and the MPI
# processes are libraries of their own, and the core reaches them only
# through its hooks.
set(series_apart "summary_plots|mpi_session|remote_executor|mpi_worker")
file(GLOB sources "${ROOT}/series/*.h" "${ROOT}/series/*.cpp")
foreach(source ${sources})
  get_filename_component(name "${source}" NAME_WE)
  if(name MATCHES "^(${series_apart})$")
    continue()
  endif()
  file(STRINGS "${source}" includes REGEX "^#include")
  foreach(line ${includes})
    if(line MATCHES "^#include <(Q|mpi)")
      list(APPEND failures "${source}: ${line}: the series' core needs neither Qt nor MPI")
    elseif(line MATCHES "^#include \"(app|cli|dashboard|analysis_plots)/")
      list(APPEND failures "${source}: ${line} reaches above series/")
    elseif(line MATCHES "^#include \"series/(${series_apart})\\.h\"")
      list(APPEND failures "${source}: ${line}: the core reaches the pictures and MPI through hooks")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
