// The preview's page area: one page of a page description, drawn on demand at a zoom.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include <cstddef>

namespace quorvel::report {

struct PageDescription;

class PageView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);

    /// The description must outlive the view or be replaced first.
    void setDocument(const PageDescription* doc);
    /// Shows page `index` (0-based) from its top.
    void setPage(std::size_t index);
    /// Zoom in percent: 100 shows the page at its size on the screen.
    void setZoom(double percent);
    double zoom() const { return m_zoom; }
    /// The zooms at which the page's width, or the whole page, fills the page area.
    double fitWidthZoom() const;
    double fitPageZoom() const;

    void scrollToTop();
    void scrollToBottom();
    /// The page's rectangle in viewport pixels.
    QRect pageRect() const;

signals:
    /// Down was pressed at the bottom of the page, or Up at its top.
    void downPastBottom();
    void upPastTop();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    /// Pixels per point at the current zoom.
    double scale() const;
    QSize pagePixels(double zoom) const;
    void updateScrollBars();

    const PageDescription* m_doc = nullptr;
    std::size_t m_page = 0;
    double m_zoom = 100;
    QImage m_canvas;
};

} // namespace quorvel::report
