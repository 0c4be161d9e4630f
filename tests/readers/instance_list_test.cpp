// The instance list against a plain model: a list of entries newest first,
// searched from the head, where a triple already present is not added again.
#include "readers/instance_list.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

// Many entries over few keys and many keys, through several table growths;
// a triple already present (another file number makes another triple) and
// keys never remembered.
TEST(InstanceList, AgreesWithTheListItStandsFor)
{
    // The node an entry stands for, as the reader works it out from the
    // identifier and the file number.
    const auto node_of = [](uint32_t identifier, int32_t file_number) {
        return identifier * 4 + static_cast<uint32_t>(file_number + 1);
    };
    std::mt19937 random(7);
    InstanceList list;
    EXPECT_EQ(instance_find(list, 1), nullptr);
    std::vector<std::tuple<uint32_t, uint32_t, int32_t>> model;  // newest last
    for (int step = 0; step < 20000; ++step) {
        const uint32_t key = random() % (step < 10000 ? 50 : 5000);
        const uint32_t identifier = random() % 8;
        const int32_t file_number = static_cast<int32_t>(random() % 3) - 1;
        bool present = false;
        for (const auto &entry : model)
            present = present || entry == std::make_tuple(identifier, key, file_number);
        if (!present)
            model.emplace_back(identifier, key, file_number);
        instance_remember(list, identifier, key, file_number, node_of(identifier, file_number));
        if (step % 97 != 0)
            continue;
        for (uint32_t probe_key = 0; probe_key < 60; ++probe_key) {
            const InstanceTarget *found = instance_find(list, probe_key);
            const std::tuple<uint32_t, uint32_t, int32_t> *newest = nullptr;
            for (auto at = model.rbegin(); at != model.rend() && !newest; ++at)
                if (std::get<1>(*at) == probe_key)
                    newest = &*at;
            ASSERT_EQ(found != nullptr, newest != nullptr) << probe_key;
            if (found) {
                ASSERT_EQ(found->node, node_of(std::get<0>(*newest), std::get<2>(*newest)));
            }
        }
    }
}
