// Growable byte array: doubling, bulk appends matching single pushes.
#include <gtest/gtest.h>

#include <vector>

#include "base/dynamic_array.h"

TEST(DynamicArray, DoublesWhenFull) {
    DynamicArrayPtr a(dynamic_array_init(2));
    ASSERT_TRUE(a);
    const int expectedCapacity[] = {2, 2, 4, 4, 8, 8, 8, 8, 16};
    for (int i = 0; i < 9; ++i) {
        dynamic_array_push(a.get(), static_cast<uint8_t>(i));
        EXPECT_EQ(a->size, i + 1);
        EXPECT_EQ(a->capacity, expectedCapacity[i]) << "after push " << i + 1;
    }
    for (int i = 0; i < 9; ++i) EXPECT_EQ(a->data[i], i);
}

TEST(DynamicArray, BulkAppendEndsLikeSinglePushes) {
    for (int64_t count : {0, 1, 2, 3, 7, 100, 4097}) {
        for (int32_t initial : {1, 2, 3, 5}) {
            DynamicArrayPtr bulk(dynamic_array_init(initial));
            DynamicArrayPtr single(dynamic_array_init(initial));
            dynamic_array_push(bulk.get(), 0xAA);
            dynamic_array_push(single.get(), 0xAA);
            std::vector<uint8_t> bytes(static_cast<size_t>(count));
            for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
            dynamic_array_push_more_data(bulk.get(), bytes.data(), count);
            for (uint8_t b : bytes) dynamic_array_push(single.get(), b);
            ASSERT_EQ(bulk->size, single->size) << count << "/" << initial;
            ASSERT_EQ(bulk->capacity, single->capacity) << count << "/" << initial;
            EXPECT_EQ(0, memcmp(bulk->data, single->data, static_cast<size_t>(bulk->size)));
        }
    }
}

TEST(DynamicArray, NegativeCountAndNullFreeDoNothing) {
    DynamicArrayPtr a(dynamic_array_init(2));
    const uint8_t b = 1;
    dynamic_array_push_more_data(a.get(), &b, -5);
    EXPECT_EQ(a->size, 0);
    EXPECT_EQ(a->capacity, 2);
    dynamic_array_free(nullptr);
    EXPECT_EQ(dynamic_array_init(0), nullptr);
}
