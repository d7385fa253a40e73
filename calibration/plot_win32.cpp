#include "calibration/plot_win32.h"

#include <QFont>
#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <vector>


namespace {

constexpr int FONT_PIXELS = 10;
// The time axis' ticks are marks this high on the bottom of the plot area:
// lines across the whole height would bury the curve.
constexpr int TICK_PIXELS = 5;

QColor color_of(uint32_t rgb)
{
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

int at_least(int value, int floor)
{
    return value > floor ? value : floor;
}

// Where the unit square lands in the image.

void text_at(QPainter& p, int x, int y, const char* text)
{
    p.drawText(QRect(std::max(x, 0), std::max(y, 0), 4096, 2 * FONT_PIXELS), Qt::AlignLeft | Qt::AlignTop,
               QString::fromUtf8(text));
}

// The series in pixels; a point on the same pixel as the one before adds
// nothing to a line or a dot, so it is left out.
std::vector<QPoint> points_of(const Tsamples_serie& serie, const Tplot_area& area)
{
    std::vector<QPoint> points;
    points.reserve(serie.count());
    Tsample_point p;
    for (unsigned i = 0; !serie.getPoint(&p, i); ++i) {
        const QPoint pixel(area.x(p.x), area.y(p.y));
        if (points.empty() || points.back() != pixel)
            points.push_back(pixel);
    }
    return points;
}

// A path through many points per pixel column: each column's run keeps its
// first, lowest, highest and last point, in their order, which covers the same
// pixels as the whole run (a chart of 10 000 points is a few hundred columns wide).
std::vector<QPoint> column_path(const std::vector<QPoint>& points)
{
    std::vector<QPoint> path;
    path.reserve(std::min<size_t>(points.size(), 4096));
    size_t run = 0;
    while (run < points.size()) {
        size_t end = run;
        size_t low = run;
        size_t high = run;
        while (end + 1 < points.size() && points[end + 1].x() == points[run].x()) {
            ++end;
            if (points[end].y() < points[low].y())
                low = end;
            if (points[end].y() > points[high].y())
                high = end;
        }
        const size_t kept[4] = {run, std::min(low, high), std::max(low, high), end};
        for (size_t index : kept)
            if (path.empty() || path.back() != points[index])
                path.push_back(points[index]);
        run = end + 1;
    }
    return path;
}

void draw_grid(QPainter& p, const Tplot_layer& layer, const Tplot_area& area, int image_width, int right)
{
    p.setPen(QPen(color_of(layer.line_color), layer.pen_width, Qt::SolidLine));
    for (int i = 0; i < layer.y_grid.count(); ++i) {
        const int y = area.y(layer.y_grid.position(i));
        p.drawLine(area.left, y, area.left + area.width, y);
    }
    p.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    p.setBrush(Qt::white);
    const QFontMetrics metrics(p.font());
    for (int i = 0; i < layer.y_labels.count(); ++i) {
        const char* text = layer.y_labels.text(i);
        const int width = metrics.horizontalAdvance(QString::fromUtf8(text));
        text_at(p, area.left - 2 - width, area.y(layer.y_labels.position(i)) - 5, text);
    }
    for (int i = 0; i < layer.x_axis.tickCount(); ++i) {
        const int x = area.x(layer.x_axis.tick(i));
        p.drawLine(x, area.top + area.height - TICK_PIXELS, x, area.top + area.height);
    }
    for (int i = 0; i < layer.x_axis.labelCount(); ++i) {
        const char* text = layer.x_axis.labelText(i);
        const int width = metrics.horizontalAdvance(QString::fromUtf8(text));
        int x = area.x(layer.x_axis.labelPosition(i)) - width / 2;
        if (x < area.left)
            x = area.left;
        if (x + width > image_width - right)
            x = image_width - right - width;
        text_at(p, x, area.top + area.height + 2, text);
    }
}

void draw_histogram(QPainter& p, const Tplot_layer& layer, const Tplot_area& area, int image_height, int top,
                    int bottom)
{
    layer.series.logSeries("layer->values");
    Tsample_point point;
    for (unsigned i = 0; !layer.series.getPoint(&point, i); ++i) {
        const double v = std::min(std::max(point.y, 0.0), 1.0);
        int x = area.x(point.x);
        int width = 1;
        if (point.w > 0) {
            x = area.x(point.x - point.w / 2);
            width = at_least(static_cast<int>(point.w * area.width), 1);
        }
        const int bar_top = static_cast<int>((1 - v) * (image_height - bottom - top - 1)) + top;
        const int bar_bottom = area.top + area.height - 1;
        if (bar_bottom - bar_top < 1)
            continue;
        const uint32_t color = point.color != SAMPLE_POINT_NO_COLOR ? point.color : layer.line_color;
        p.fillRect(QRect(x, bar_top, width, bar_bottom - bar_top), color_of(color));
    }
}

}  // namespace

QPoint Tplot_win32::pixelOf(double u, double v) const
{
    return QPoint(area.x(u), area.y(v));
}

Tplot_win32::Tplot_win32()
{
    setSize(100, 100);
}

void Tplot_win32::setSize(int width, int height)
{
    width = at_least(width, 1);
    height = at_least(height, 1);
    if (bitmap.width() != width || bitmap.height() != height)
        bitmap = QImage(width, height, QImage::Format_RGB888);
}

void Tplot_win32::draw()
{
    if (bitmap.isNull())
        return;
    const int w = bitmap.width();
    const int h = bitmap.height();
    const int left = at_least(w * 5 / 100, 50);
    const int right = at_least(w * 5 / 100, 10);
    int top = at_least(h * 5 / 100, 10);
    const int bottom = at_least(h * 5 / 100, 20);

    // Painting is fastest in 32-bit pixels; the result is kept in 24 bits.
    QImage canvas(w, h, QImage::Format_RGB32);
    QPainter p(&canvas);
    QFont font = p.font();
    font.setPixelSize(FONT_PIXELS);
    font.setBold(false);
    font.setItalic(false);
    p.setFont(font);
    p.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    p.setBrush(color_of(parameters.background));
    p.drawRect(0, 0, w - 1, h - 1);

    const Tplot_options& options = parameters.options;
    if (options.title.length() > 0) {
        p.setBrush(Qt::white);
        const int width = QFontMetrics(font).horizontalAdvance(QString::fromUtf8(options.title.c_str()));
        text_at(p, left + (w - left - right) / 2 - width, top - 5, options.title.c_str());
        top += 10;
    }
    area = Tplot_area{left, top, w - left - right, h - bottom - top};
    p.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.left, area.top, area.width, area.height);

    for (const auto& owned : options.layers) {
        const Tplot_layer& layer = *owned;
        if (layer.name.equals("grid", 1)) {
            draw_grid(p, layer, area, w, right);
        } else if (layer.name.equals("line", 1)) {
            p.setPen(QPen(color_of(layer.line_color), layer.pen_width, Qt::SolidLine));
            // Segment by segment: one stroked path through every point would be
            // filled as a whole, crossings and all, and take many times longer.
            const std::vector<QPoint> path = column_path(points_of(layer.series, area));
            std::vector<QLine> segments;
            segments.reserve(path.size());
            for (size_t i = 1; i < path.size(); ++i)
                segments.emplace_back(path[i - 1], path[i]);
            p.drawLines(segments.data(), static_cast<int>(segments.size()));
        } else if (layer.name.equals("line_filled", 1)) {
            const std::vector<QPoint> points = column_path(points_of(layer.series, area));
            if (points.empty())
                continue;
            QPolygon polygon;
            polygon.reserve(static_cast<int>(points.size()) + 2);
            polygon << QPoint(points.front().x(), area.top + area.height);
            for (const QPoint& point : points)
                polygon << point;
            polygon << QPoint(points.back().x(), area.top + area.height);
            p.setBrush(color_of(layer.fill_color));
            p.setPen(QPen(color_of(layer.line_color), layer.pen_width, Qt::SolidLine));
            p.drawPolygon(polygon);
        } else if (layer.name.equals("point", 1)) {
            // One dot drawn once, then stamped at every point.
            const int radius = at_least(layer.point_radius, 1);
            const int side = 2 * radius + 3;
            QImage dot(side, side, QImage::Format_ARGB32_Premultiplied);
            dot.fill(Qt::transparent);
            {
                QPainter stamp(&dot);
                stamp.setBrush(Qt::black);
                stamp.setPen(QPen(color_of(layer.line_color), 1, Qt::SolidLine));
                stamp.drawEllipse(QPoint(radius + 1, radius + 1), radius, radius);
            }
            for (const QPoint& point : points_of(layer.series, area))
                p.drawImage(point.x() - radius - 1, point.y() - radius - 1, dot);
        } else if (layer.name.equals("histo", 1)) {
            draw_histogram(p, layer, area, h, top, bottom);
        }
    }
    p.end();
    bitmap = canvas.convertToFormat(QImage::Format_RGB888);
    if (target) {
        QPainter out(target);
        out.drawImage(0, 0, bitmap);
    }
}
