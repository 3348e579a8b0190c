#ifndef PYRAMID_H
#define PYRAMID_H

#include <QtGlobal>
#include <deque>
#include <vector>

// Summaries of a growing sequence whose oldest items are dropped: level 0 summarises blocks of
// 2^leaf_shift items, each level above pairs of the level below. A block is summarised once it is
// complete, so appending costs O(1) amortised, and any range of whole blocks is covered by at
// most two nodes a level. Node needs `void merge(const Node &)`, and a default that merges as
// nothing.
template <typename Node, int leaf_shift> class pyramid {
public:
    static constexpr qint64 leaf_size = qint64(1) << leaf_shift;

    // Adds the summary of the next item (index: the items appended before it).
    void append(qint64 index, const Node &item) {
        filling.merge(item);
        if (((index + 1) & (leaf_size - 1)) != 0)
            return;
        qint64 k = index >> leaf_shift;
        Node done = filling;
        filling = Node();
        for (std::size_t level = 0;; ++level, k >>= 1) {
            if (level == levels.size())
                levels.push_back({{}, k});
            auto &at = levels[level];
            at.nodes.push_back(done);
            if ((k & 1) == 0)
                break;
            // A pair whose left half was dropped is never asked for: it only keeps its place.
            if (k - 1 >= at.first) {
                Node pair = at.nodes[at.nodes.size() - 2];
                pair.merge(done);
                done = pair;
            }
        }
    }

    // Frees the nodes that cover only items before first.
    void drop_before(qint64 first) {
        for (std::size_t level = 0; level < levels.size(); ++level) {
            const qint64 first_node = first >> (leaf_shift + level);
            auto &at = levels[level];
            while (at.first < first_node && !at.nodes.empty()) {
                at.nodes.pop_front();
                ++at.first;
            }
        }
    }

    // Calls take(level, k, node) for nodes exactly covering the whole blocks [from, to), all of
    // them appended and not dropped: first the left ones, left to right, then the right ones,
    // right to left.
    template <typename Take> void cover(qint64 from, qint64 to, Take &&take) const {
        qint64 right[64][2];
        int rights = 0;
        for (std::size_t level = 0; from < to; ++level, from >>= 1, to >>= 1) {
            if (from & 1) {
                take(int(level), from, node(int(level), from));
                ++from;
            }
            if (to & 1) {
                --to;
                right[rights][0] = qint64(level);
                right[rights++][1] = to;
            }
        }
        for (int i = rights - 1; i >= 0; --i)
            take(int(right[i][0]), right[i][1], node(int(right[i][0]), right[i][1]));
    }

    const Node &node(int level, qint64 k) const {
        const auto &at = levels[std::size_t(level)];
        return at.nodes[std::size_t(k - at.first)];
    }

    std::size_t bytes() const {
        std::size_t n = 0;
        for (const auto &level : levels)
            n += level.nodes.size() * sizeof(Node);
        return n;
    }

private:
    struct level_nodes {
        std::deque<Node> nodes;
        qint64 first = 0; // the block index of nodes.front()
    };
    std::vector<level_nodes> levels;
    Node filling;
};

#endif
