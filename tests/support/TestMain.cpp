#include "THTTPGet.h"
#include "ThreadPoolShutdown.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // As the program does: no fetcher worker may still run while the
    // exit-time destructors do.
    THTTPGet::WaitForWorkers(5000);
    // Qt's pool threads (the raster painter's among them) must be gone before
    // the exit-time leak check runs, or it catches one still tearing down.
    ThreadPoolShutdown::finish();
    return result;
}
