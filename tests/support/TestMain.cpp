#include <QApplication>
#include <QThreadPool>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Qt's pool threads (the raster painter's among them) must be gone before
    // the exit-time leak check runs, or it catches one still tearing down.
    QThreadPool::globalInstance()->setExpiryTimeout(0);
    QThreadPool::globalInstance()->waitForDone();
    return result;
}
