// Libraries bound on first use: all functions or none, and the answer is kept.
#include "base/dynlib.h"
#include "testkit.h"

TEST(LazyLibrary, BindsEveryFunctionOrNoneAndAnswersOnce) {
    const char *const names[] = {"cos", "sqrt"}, *const bad[] = {"cos", "no_such_function"};
    void *slots[2] = {}, *none[2] = {};
    int state = -1, badstate = -1, gone = -1;
    ASSERT_EQ(dynbind("libm.so.6", names, slots, 2, &state), 1);
    EXPECT_EQ(reinterpret_cast<double (*)(double)>(slots[1])(6.25), 2.5);
    EXPECT_EQ(std::tuple(dynbind("libm.so.6", bad, none, 2, &badstate), none[0], none[1]),
              std::tuple(0, nullptr, nullptr));
    EXPECT_EQ(dynbind("libkavrel-none.so.9", names, none, 2, &gone), 0);
    state = 0; // a kept answer is not asked again
    EXPECT_EQ(dynbind("libm.so.6", names, slots, 2, &state), 0);
}
