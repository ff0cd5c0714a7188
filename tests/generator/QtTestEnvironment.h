#pragma once

#include <QString>

// The tests that link QtTestEnvironment.cpp get one QApplication for the whole run, on the
// off-screen platform unless QT_QPA_PLATFORM says otherwise.

// Returns a new empty folder below the system's temporary folder; removed by the caller.
QString MakeTempFolder();
