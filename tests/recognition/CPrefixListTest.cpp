#include "CPrefixList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Stand-in nodes: the list compares them by identity and asks only IsWordEnd.
std::vector<CDictNode> Nodes(int count)
{
    return std::vector<CDictNode>(static_cast<std::size_t>(count));
}

}  // namespace

TEST(CPrefixList, FirstArrivalAtANodeStays)
{
    std::vector<CDictNode> nodes = Nodes(3);
    CPrefixList list;
    list.Reset(5);
    list.Add(&nodes[0], 0, 0, 9);
    list.Add(&nodes[1], 1, 0, 4);
    list.Add(&nodes[0], 2, 1, 1);  // cheaper, but later: dropped
    list.Add(&nodes[2], 3, 1, 2);
    ASSERT_EQ(3, list.Count());
    EXPECT_EQ(5, list.Capacity());
    EXPECT_EQ(&nodes[0], list.Node(0));
    EXPECT_EQ(0, list.SlotOf(0));
    EXPECT_EQ(9, list.Cost(0));
    EXPECT_EQ(&nodes[2], list.Node(2));
    EXPECT_EQ(3, list.SlotOf(2));
    EXPECT_EQ(1, list.Parent(2));

    list.Reset(0);
    EXPECT_EQ(0, list.Count());
    list.Add(&nodes[0], 0, 0, 0);  // no room
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ(nullptr, list.Node(0));
    EXPECT_EQ(0, list.Cost(-1));
}

TEST(CPrefixList, LongListsKeepNodesDistinct)
{
    std::vector<CDictNode> nodes = Nodes(500);
    CPrefixList list;
    list.Reset(2000);
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 500; ++i)
            list.Add(&nodes[(i * 7 + round) % 500], round, i, round * 1000 + i);
    ASSERT_EQ(500, list.Count());
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(&nodes[(i * 7) % 500], list.Node(i));
        EXPECT_EQ(0, list.SlotOf(i));
    }
}

TEST(CPrefixList, BestWordEndComparesCostsUnsigned)
{
    std::vector<CDictNode> nodes = Nodes(5);
    for (int i = 1; i <= 4; ++i)
        nodes[i].SetWordEnd();
    CPrefixList list;
    list.Reset(5);
    list.Add(&nodes[0], 0, 0, 0);   // cheapest, but no word ends there
    list.Add(&nodes[1], 0, 0, -1);  // no path loses against every cost
    list.Add(&nodes[2], 0, 0, 7);
    list.Add(&nodes[3], 0, 0, 3);
    list.Add(&nodes[4], 0, 0, 3);   // equal: the first stays
    EXPECT_EQ(3, list.BestWordEnd());

    CPrefixList none;
    none.Reset(1);
    none.Add(&nodes[0], 0, 0, 5);
    EXPECT_EQ(0, none.BestWordEnd());
    EXPECT_EQ(0, CPrefixList().BestWordEnd());
}
