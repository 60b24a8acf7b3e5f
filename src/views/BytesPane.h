// The selected frame's bytes below its details: the hex dump of packetlist::BytesPaneModel
// in a fixed-pitch font (Ctrl+wheel, Ctrl++ and Ctrl+- scale it), the bytes of the selected
// detail line marked. A click on a byte asks for the deepest detail line that names it.
#pragma once

#include <QAbstractScrollArea>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "packetlist/BytesPaneModel.h"

namespace views {

class BytesPane : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMinPointSize = 6;
    static constexpr int kMaxPointSize = 40;

    explicit BytesPane(QWidget* parent = nullptr);

    // The frame's bytes and its detail tree (the caller's, kept until the next call).
    void ShowFrame(std::vector<std::uint8_t> bytes, const decode::CPktDetailLine* root);
    // Marks the line's bytes and scrolls them into view; nullptr marks none.
    void Mark(const decode::CPktDetailLine* line);
    const packetlist::BytesPaneModel& Model() const noexcept { return m_model; }

    // The font a point larger per step (smaller for negative steps), within the limits.
    void ZoomBy(int steps);
    int PointSize() const;
    // The font at size points, within the limits; quietly (no Zoomed).
    void SetPointSize(int points);
    // The dump line and column under a point of the viewport; nothing past the last line.
    std::optional<std::pair<std::size_t, std::size_t>> CellAt(QPoint point) const;
    // The viewport point at the middle of a dump line's column.
    QPoint PointOf(std::size_t line, std::size_t column) const;

signals:
    void LineClicked(const decode::CPktDetailLine* line);
    void HideRequested();
    // The user scaled the font.
    void Zoomed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int CharWidth() const;
    int LineHeight() const;
    void UpdateScrollBars();

    packetlist::BytesPaneModel m_model;
};

}  // namespace views
