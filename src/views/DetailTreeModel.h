// A frame's detail lines as a Qt tree: each item is a line's prefix followed by its text in
// display form (as the text view and palomet-cli show print it), under the item of its parent line. Rebuilt for each frame shown; an item's internal
// pointer is its node, which knows its line, its parent and its row.
#pragma once

#include <QAbstractItemModel>
#include <memory>
#include <vector>

#include "decode/CPktDetailLine.h"

namespace views {

class DetailTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit DetailTreeModel(QObject* parent = nullptr);
    ~DetailTreeModel() override;

    // Shows the lines below root (none: an empty tree); the model keeps them.
    void SetLines(std::unique_ptr<decode::CPktDetailLine> root);
    const decode::CPktDetailLine* Root() const noexcept { return m_root.get(); }
    // The line of an item (nullptr for none), and the item of a line of this tree.
    const decode::CPktDetailLine* LineOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const decode::CPktDetailLine* line) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Node {
        const decode::CPktDetailLine* line = nullptr;
        const Node* parent = nullptr;  // null for the root
        int row = 0;                   // among its parent's children
        std::size_t firstChild = 0;    // its children sit side by side from here in m_nodes
    };
    const Node* NodeOf(const QModelIndex& index) const;

    std::unique_ptr<decode::CPktDetailLine> m_root;
    std::vector<Node> m_nodes;  // m_nodes[0] is the root; never resized while indexes live
};

}  // namespace views
