// The entry of a suite's page: runs the suite as a desktop suite runs (its
// report goes to the browser's console) and shows its exit code on the page.
#include <emscripten.h>
#include <gtest/gtest.h>

EM_JS(void, endSuitePage, (int exitCode), {
    quorlPage.end(exitCode);
});

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    endSuitePage(result);
    return result;
}
