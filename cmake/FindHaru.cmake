# Finds libharu (libhpdf), which ships no CMake package or pkg-config file. Defines Haru::Haru.
find_path(Haru_INCLUDE_DIR hpdf.h)
find_library(Haru_LIBRARY NAMES hpdf)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Haru REQUIRED_VARS Haru_LIBRARY Haru_INCLUDE_DIR)
if(Haru_FOUND AND NOT TARGET Haru::Haru)
  add_library(Haru::Haru UNKNOWN IMPORTED)
  set_target_properties(Haru::Haru PROPERTIES
    IMPORTED_LOCATION "${Haru_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${Haru_INCLUDE_DIR}")
endif()
mark_as_advanced(Haru_INCLUDE_DIR Haru_LIBRARY)
