// The main of the plain tests: the locale set up as the shipped programs have
// it (everything from the environment, numbers in the C form), so the
// comma-locale reruns run the code as a user's machine does.
#include <gmock/gmock.h>

#include <clocale>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
