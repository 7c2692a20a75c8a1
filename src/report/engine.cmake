# The engine: definitions, project, data connection, lock, layout and bar codes.
target_sources(quorvel_report PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/BarcodeEncoder.h ${CMAKE_CURRENT_LIST_DIR}/BarcodeEncoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataLock.h ${CMAKE_CURRENT_LIST_DIR}/DataLock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataSetConnection.h ${CMAKE_CURRENT_LIST_DIR}/DataSetConnection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Definition.h
  ${CMAKE_CURRENT_LIST_DIR}/DeviceGrid.h
  ${CMAKE_CURRENT_LIST_DIR}/DefinitionCheck.h ${CMAKE_CURRENT_LIST_DIR}/DefinitionCheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DefinitionReader.h ${CMAKE_CURRENT_LIST_DIR}/DefinitionReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HeadlessUi.h ${CMAKE_CURRENT_LIST_DIR}/HeadlessUi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LabelGrid.h ${CMAKE_CURRENT_LIST_DIR}/LabelGrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PageBuilder.h ${CMAKE_CURRENT_LIST_DIR}/PageBuilder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PageDump.h ${CMAKE_CURRENT_LIST_DIR}/PageDump.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReportProject.h ${CMAKE_CURRENT_LIST_DIR}/ReportProject.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextMeasure.h ${CMAKE_CURRENT_LIST_DIR}/TextMeasure.cpp
)
