// Bytes pane.
#include "views/BytesPane.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "views/CommandIds.h"

namespace views {

namespace {
constexpr int kMargin = 4;  // pixels left of the offsets and above the first line
}  // namespace

BytesPane::BytesPane(QWidget* parent) : QAbstractScrollArea(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    setWhatsThis(
        tr("The selected frame's bytes: offsets, hexadecimal and characters, 16 bytes a line. "
           "Click a byte to select the detail line that describes it."));
}

void BytesPane::ShowFrame(std::vector<std::uint8_t> bytes, const decode::CPktDetailLine* root) {
    m_model.SetFrame(std::move(bytes), root);
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void BytesPane::Mark(const decode::CPktDetailLine* line) {
    m_model.Select(line);
    if (const auto first = m_model.FirstMarkedLine()) {
        // Scrolled only as far as it takes to show the first marked line.
        const int top = static_cast<int>(*first) * LineHeight();
        QScrollBar* bar = verticalScrollBar();
        const int visible = viewport()->height() - 2 * kMargin - LineHeight();
        if (top < bar->value()) bar->setValue(top);
        if (top > bar->value() + visible) bar->setValue(top - std::max(0, visible));
    }
    viewport()->update();
}

void BytesPane::ZoomBy(int steps) {
    const int before = PointSize();
    SetPointSize(before + steps);
    if (PointSize() != before) emit Zoomed();
}

void BytesPane::SetPointSize(int points) {
    const int size = std::clamp(points, kMinPointSize, kMaxPointSize);
    if (size == PointSize()) return;
    QFont f = font();
    f.setPointSize(size);
    setFont(f);
    UpdateScrollBars();
    viewport()->update();
}

int BytesPane::PointSize() const { return font().pointSize(); }

int BytesPane::CharWidth() const { return std::max(1, QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'))); }

int BytesPane::LineHeight() const { return std::max(1, QFontMetrics(font()).lineSpacing()); }

std::optional<std::pair<std::size_t, std::size_t>> BytesPane::CellAt(QPoint point) const {
    const int x = point.x() + horizontalScrollBar()->value() - kMargin;
    const int y = point.y() + verticalScrollBar()->value() - kMargin;
    if (x < 0 || y < 0) return std::nullopt;
    const auto line = static_cast<std::size_t>(y / LineHeight());
    if (line >= m_model.LineCount()) return std::nullopt;
    return std::make_pair(line, static_cast<std::size_t>(x / CharWidth()));
}

QPoint BytesPane::PointOf(std::size_t line, std::size_t column) const {
    return {kMargin + static_cast<int>(column) * CharWidth() + CharWidth() / 2 - horizontalScrollBar()->value(),
            kMargin + static_cast<int>(line) * LineHeight() + LineHeight() / 2 - verticalScrollBar()->value()};
}

void BytesPane::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& colours = palette();
    painter.fillRect(viewport()->rect(), colours.color(QPalette::Base));
    if (m_model.LineCount() == 0) return;
    const int charWidth = CharWidth();
    const int lineHeight = LineHeight();
    const int ascent = QFontMetrics(font()).ascent();
    const int left = kMargin - horizontalScrollBar()->value();
    const int scrolled = verticalScrollBar()->value();
    const auto first = static_cast<std::size_t>(std::max(0, (scrolled - kMargin) / lineHeight));
    for (std::size_t line = first; line < m_model.LineCount(); ++line) {
        const int top = kMargin + static_cast<int>(line) * lineHeight - scrolled;
        if (top > viewport()->height()) break;
        const std::string text = m_model.LineText(line);
        const auto marked = m_model.MarkedOn(line);
        for (const auto& run : marked) {
            painter.fillRect(left + static_cast<int>(run.first) * charWidth, top,
                             static_cast<int>(run.end - run.first) * charWidth, lineHeight,
                             colours.color(QPalette::Highlight));
        }
        // One cell per character, so the marks and the clicks line up with the text whatever
        // the font's own advances add up to.
        for (std::size_t column = 0; column < text.size(); ++column) {
            if (text[column] == ' ') continue;
            const bool inMark = std::any_of(marked.begin(), marked.end(), [column](const auto& run) {
                return column >= run.first && column < run.end;
            });
            painter.setPen(colours.color(inMark ? QPalette::HighlightedText : QPalette::Text));
            painter.drawText(left + static_cast<int>(column) * charWidth, top + ascent,
                             QChar::fromLatin1(text[column]));
        }
    }
}

void BytesPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    if (const auto cell = CellAt(event->position().toPoint())) {
        if (const decode::CPktDetailLine* line = m_model.LineAt(cell->first, cell->second)) {
            Mark(line);
            emit LineClicked(line);
        }
    }
}

void BytesPane::wheelEvent(QWheelEvent* event) {
    if ((event->modifiers() & Qt::ControlModifier) == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0) ZoomBy(delta > 0 ? 1 : -1);
    event->accept();
}

void BytesPane::keyPressEvent(QKeyEvent* event) {
    if ((event->modifiers() & Qt::ControlModifier) != 0) {
        if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal) {
            ZoomBy(1);
            return;
        }
        if (event->key() == Qt::Key_Minus) {
            ZoomBy(-1);
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void BytesPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void BytesPane::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("&Hide Bytes Pane"), this, &BytesPane::HideRequested)
        ->setData(static_cast<uint>(CommandId::ViewBytesPane));
    menu.addSeparator();
    menu.addAction(tr("&Larger Font"), this, [this] { ZoomBy(1); });
    menu.addAction(tr("&Smaller Font"), this, [this] { ZoomBy(-1); });
    menu.exec(event->globalPos());
}

void BytesPane::UpdateScrollBars() {
    const int width = 2 * kMargin + static_cast<int>(m_model.Layout().LineLength()) * CharWidth();
    const int height = 2 * kMargin + static_cast<int>(m_model.LineCount()) * LineHeight();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(LineHeight());
}

}  // namespace views
