# Outputs of a page description: the painter renderer, the PDF writer and snapshot files.
target_sources(quorvel_report PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/FontFamilies.h ${CMAKE_CURRENT_LIST_DIR}/FontFamilies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PagePainter.cpp
)
