# Reports: the collected tables, the tree walker and the two writers (portable); the HTML report's
# temporary files, picture and browser (Windows).
list(APPEND VS_CORE_SOURCES
    src/reports/ReportTables.cpp
    src/reports/TreeWalker.cpp
    src/reports/ReportWriters.cpp
    src/reports/FolderReport.cpp)
list(APPEND VS_WIN_SOURCES
    src/reports/HtmlReport_win.cpp)
