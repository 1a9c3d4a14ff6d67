// The entry of a suite's page: runs the suite as a desktop suite runs (its
// report goes to the browser's console) and shows its exit code on the page.
// The page's address may narrow the suite as GoogleTest's own option does:
// test_x.html?filter=-Suite.Test.
#include <emscripten.h>
#include <gtest/gtest.h>

#include <string>

EM_JS(void, endSuitePage, (int exitCode), {
    quorlPage.end(exitCode);
});

// The filter of the page's address, or "" (written into `buffer`).
EM_JS(void, pageFilter, (char* buffer, int size), {
    stringToUTF8(new URLSearchParams(location.search).get('filter') || '', buffer, size);
});

int main(int argc, char** argv)
{
    char filter[1024];
    pageFilter(filter, sizeof filter);
    std::string option = std::string("--gtest_filter=") + filter;
    char* arguments[] = {argc > 0 ? argv[0] : nullptr, option.data(), nullptr};
    int count = filter[0] != '\0' ? 2 : 1;
    testing::InitGoogleTest(&count, arguments);
    int result = RUN_ALL_TESTS();
    endSuitePage(result);
    return result;
}
