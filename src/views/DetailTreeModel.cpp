// Detail tree model. The nodes are laid out breadth first so that every line's children are
// neighbours: a child index is its parent's first child plus its row.
#include "views/DetailTreeModel.h"

#include "core/DisplayText.h"

namespace views {

DetailTreeModel::DetailTreeModel(QObject* parent) : QAbstractItemModel(parent) { SetLines(nullptr); }

DetailTreeModel::~DetailTreeModel() = default;

void DetailTreeModel::SetLines(std::unique_ptr<decode::CPktDetailLine> root) {
    beginResetModel();
    m_root = root ? std::move(root) : std::make_unique<decode::CPktDetailLine>();
    m_nodes.clear();
    m_nodes.push_back(Node{m_root.get(), nullptr, 0, 1});
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        m_nodes[i].firstChild = m_nodes.size();
        const auto& children = m_nodes[i].line->Children();
        for (std::size_t c = 0; c < children.size(); ++c)
            m_nodes.push_back(Node{children[c].get(), nullptr, static_cast<int>(c), 0});
    }
    // Parents are linked once the vector stops moving.
    for (const Node& node : m_nodes) {
        for (std::size_t c = 0; c < node.line->Children().size(); ++c) m_nodes[node.firstChild + c].parent = &node;
    }
    endResetModel();
}

const DetailTreeModel::Node* DetailTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<const Node*>(index.internalPointer()) : &m_nodes.front();
}

const decode::CPktDetailLine* DetailTreeModel::LineOf(const QModelIndex& index) const {
    return index.isValid() ? NodeOf(index)->line : nullptr;
}

QModelIndex DetailTreeModel::IndexOf(const decode::CPktDetailLine* line) const {
    for (std::size_t i = 1; i < m_nodes.size(); ++i) {
        if (m_nodes[i].line == line) return createIndex(m_nodes[i].row, 0, const_cast<Node*>(&m_nodes[i]));
    }
    return {};
}

QModelIndex DetailTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* p = NodeOf(parent);
    if (column != 0 || row < 0 || static_cast<std::size_t>(row) >= p->line->Children().size()) return {};
    // The model's interface hands out non-const pointers; nothing writes through them.
    return createIndex(row, 0, const_cast<Node*>(&m_nodes[p->firstChild + static_cast<std::size_t>(row)]));
}

QModelIndex DetailTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const Node* p = NodeOf(child)->parent;
    if (p == nullptr || p->parent == nullptr) return {};
    return createIndex(p->row, 0, const_cast<Node*>(p));
}

int DetailTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return static_cast<int>(NodeOf(parent)->line->Children().size());
}

int DetailTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant DetailTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const decode::CPktDetailLine* line = NodeOf(index)->line;
    std::string text = line->Prefix();
    core::AppendDisplayText(text, line->Text());
    return QString::fromUtf8(text);
}

}  // namespace views
