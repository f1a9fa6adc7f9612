#include <gtest/gtest.h>
#include <ole2.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // As the program does at its start: the settings dialog registers itself as a drop target.
    if (FAILED(OleInitialize(nullptr))) return 1;
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
