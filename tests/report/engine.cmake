quorvel_add_test(report_engine_tests GUI
  SOURCES
    EngineFixtures.h EngineFixtures.cpp
    BarcodeTest.cpp
    ConnectionTest.cpp
    DefinitionCheckTest.cpp
    DefinitionTest.cpp
    LabelGridTest.cpp
    LayoutTest.cpp
    LockTest.cpp
    ProjectTest.cpp
  LIBS quorvel_report)
