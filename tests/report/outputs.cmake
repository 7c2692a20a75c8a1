# Tests of the outputs: the painter renderer, the PDF writer and snapshot files.
quorvel_add_test(report_outputs_tests GUI
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/OutputFixtures.h ${CMAKE_CURRENT_LIST_DIR}/OutputFixtures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PagePainterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RenderPdfTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SnapshotTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RenderCommandTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CheckDefinitionCommandTest.cpp
  LIBS quorvel_report Zint::Zint)
# The batch commands' tests run the program itself.
add_dependencies(report_outputs_tests quorvel-batch)
