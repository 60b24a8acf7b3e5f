// One line of a frame's detail tree: the layer's prefix ("TCP: "), the text, and the
// lines that explain it. The root a caller passes in has neither prefix nor text.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace decode {

class CPktDetailLine {
public:
    CPktDetailLine() = default;
    CPktDetailLine(std::string_view prefix, std::string text) : m_prefix(prefix), m_text(std::move(text)) {}

    // Appends a child and returns it, so a layer can hang its field lines below.
    CPktDetailLine& Add(std::string_view prefix, std::string text) {
        m_children.push_back(std::make_unique<CPktDetailLine>(prefix, std::move(text)));
        return *m_children.back();
    }

    // Moves the lines below other to the end of this line's children.
    void Adopt(CPktDetailLine& other) {
        for (auto& child : other.m_children) m_children.push_back(std::move(child));
        other.m_children.clear();
    }

    const std::string& Prefix() const noexcept { return m_prefix; }
    const std::string& Text() const noexcept { return m_text; }
    const std::vector<std::unique_ptr<CPktDetailLine>>& Children() const noexcept { return m_children; }

private:
    std::string m_prefix;
    std::string m_text;
    std::vector<std::unique_ptr<CPktDetailLine>> m_children;
};

}  // namespace decode
