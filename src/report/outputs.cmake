# Outputs of a page description: the painter renderer, the PDF writer and snapshot files.
target_sources(quorvel_report PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.h ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FontFamilies.h ${CMAKE_CURRENT_LIST_DIR}/FontFamilies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/JpegEncoder.h ${CMAKE_CURRENT_LIST_DIR}/JpegEncoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PagePainter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RenderPdf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Snapshot.cpp
)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/RenderPdf.cpp PROPERTIES
  COMPILE_DEFINITIONS "QUORVEL_VERSION=\"${PROJECT_VERSION}\"")
