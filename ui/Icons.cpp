#include "ui/Icons.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ui {

namespace {

// Without a desktop (a bare X server, the tests) Qt names no theme; the player still
// wants the stock pictures, and Adwaita is the one Debian always carries.
void ensureTheme()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Platforms without a desktop theme (offscreen) search only the resources.
    QStringList paths = QIcon::themeSearchPaths();
    QStringList dataDirs = qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (dataDirs.isEmpty())
        dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    for (const QString& dir : dataDirs) {
        const QString icons = dir + QStringLiteral("/icons");
        if (!paths.contains(icons) && QDir(icons).exists())
            paths << icons;
    }
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    if (QIcon::fallbackThemeName().isEmpty())
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

// Drawn on a 24 x 24 grid; the shapes stay legible at 16 pixels.
void drawShape(QPainter& p, IconId id)
{
    const QColor ink(0x2e, 0x34, 0x36);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    auto tri = [&](qreal x, qreal y, qreal w, qreal h, bool right) {
        QPolygonF poly;
        if (right)
            poly << QPointF(x, y) << QPointF(x + w, y + h / 2) << QPointF(x, y + h);
        else
            poly << QPointF(x + w, y) << QPointF(x, y + h / 2) << QPointF(x + w, y + h);
        p.drawPolygon(poly);
    };
    auto speaker = [&] {
        QPolygonF poly;
        poly << QPointF(3, 9) << QPointF(7, 9) << QPointF(12, 4) << QPointF(12, 20)
             << QPointF(7, 15) << QPointF(3, 15);
        p.drawPolygon(poly);
    };
    QPen line(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (id) {
    case IconId::Play: tri(6, 4, 14, 16, true); break;
    case IconId::Pause:
        p.drawRect(QRectF(6, 4, 4, 16));
        p.drawRect(QRectF(14, 4, 4, 16));
        break;
    case IconId::Stop: p.drawRect(QRectF(5, 5, 14, 14)); break;
    case IconId::Previous:
        p.drawRect(QRectF(4, 5, 3, 14));
        tri(7, 5, 12, 14, false);
        break;
    case IconId::Next:
        tri(5, 5, 12, 14, true);
        p.drawRect(QRectF(17, 5, 3, 14));
        break;
    case IconId::Backward:
        tri(2, 6, 10, 12, false);
        tri(12, 6, 10, 12, false);
        break;
    case IconId::Forward:
        tri(2, 6, 10, 12, true);
        tri(12, 6, 10, 12, true);
        break;
    case IconId::MarkIn:
    case IconId::MarkOut: {
        const bool in = id == IconId::MarkIn;
        p.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        QPolygonF bracket;
        if (in)
            bracket << QPointF(10, 4) << QPointF(5, 4) << QPointF(5, 20) << QPointF(10, 20);
        else
            bracket << QPointF(14, 4) << QPointF(19, 4) << QPointF(19, 20) << QPointF(14, 20);
        p.drawPolyline(bracket);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1c, 0x71, 0xd8));
        if (in)
            tri(10, 8, 9, 8, true);
        else
            tri(5, 8, 9, 8, false);
        break;
    }
    case IconId::Loop: {
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 5, 16, 14), 30 * 16, 300 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        QPolygonF head;
        head << QPointF(15, 3) << QPointF(21, 8) << QPointF(14, 10);
        p.drawPolygon(head);
        break;
    }
    case IconId::Sound:
        speaker();
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(9, 8, 8, 8), -60 * 16, 120 * 16);
        p.drawArc(QRectF(8, 4, 14, 16), -60 * 16, 120 * 16);
        break;
    case IconId::Mute:
        speaker();
        p.setPen(QPen(QColor(0xc0, 0x1c, 0x28), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(15, 9), QPointF(21, 15));
        p.drawLine(QPointF(21, 9), QPointF(15, 15));
        break;
    case IconId::Open:
    case IconId::Folder: {
        p.setBrush(QColor(0xe5, 0xa5, 0x0a));
        QPolygonF f;
        f << QPointF(2, 6) << QPointF(9, 6) << QPointF(11, 8) << QPointF(22, 8)
          << QPointF(22, 20) << QPointF(2, 20);
        p.drawPolygon(f);
        if (id == IconId::Open) {
            p.setBrush(ink);
            tri(8, 10, 8, 8, false);
            QPolygonF up;
            up << QPointF(12, 10) << QPointF(17, 14) << QPointF(13, 14) << QPointF(13, 18)
               << QPointF(11, 18) << QPointF(11, 14) << QPointF(7, 14);
            p.setBrush(QColor(0xff, 0xff, 0xff));
            p.drawPolygon(up);
        }
        break;
    }
    case IconId::List:
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(3, 5 + i * 4, 3, 2.5));
            p.drawRect(QRectF(8, 5 + i * 4, 13, 2.5));
        }
        break;
    case IconId::Save:
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 6));
        p.drawRect(QRectF(6, 13, 12, 8));
        break;
    case IconId::Add:
        p.drawRect(QRectF(10.5, 4, 3, 16));
        p.drawRect(QRectF(4, 10.5, 16, 3));
        break;
    case IconId::Remove: p.drawRect(QRectF(4, 10.5, 16, 3)); break;
    case IconId::Snapshot:
        p.drawRoundedRect(QRectF(2, 7, 20, 13), 2, 2);
        p.drawRect(QRectF(8, 4, 8, 4));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(12, 13.5), 4, 4);
        break;
    }
}

} // namespace

QString themeName(IconId id)
{
    switch (id) {
    case IconId::Play: return QStringLiteral("media-playback-start");
    case IconId::Pause: return QStringLiteral("media-playback-pause");
    case IconId::Stop: return QStringLiteral("media-playback-stop");
    case IconId::Previous: return QStringLiteral("media-skip-backward");
    case IconId::Next: return QStringLiteral("media-skip-forward");
    case IconId::Backward: return QStringLiteral("media-seek-backward");
    case IconId::Forward: return QStringLiteral("media-seek-forward");
    case IconId::Loop: return QStringLiteral("media-playlist-repeat");
    case IconId::Sound: return QStringLiteral("audio-volume-high");
    case IconId::Mute: return QStringLiteral("audio-volume-muted");
    case IconId::Open: return QStringLiteral("document-open");
    case IconId::List: return QStringLiteral("format-justify-left");
    case IconId::Save: return QStringLiteral("document-save");
    case IconId::Add: return QStringLiteral("list-add");
    case IconId::Remove: return QStringLiteral("list-remove");
    case IconId::Folder: return QStringLiteral("folder");
    case IconId::Snapshot: return QStringLiteral("camera-photo");
    case IconId::MarkIn:
    case IconId::MarkOut: break; // no freedesktop name says "range start / end"
    }
    return QString();
}

QIcon drawnIcon(IconId id)
{
    QIcon out;
    for (int size : {16, 24, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        drawShape(p, id);
        p.end();
        out.addPixmap(pm);
    }
    return out;
}

bool fromTheme(IconId id)
{
    ensureTheme();
    const QString name = themeName(id);
    return !name.isEmpty() && QIcon::hasThemeIcon(name);
}

namespace {

// Adwaita's full-colour media pictures are white glyphs with a faint outline, made for
// dark backgrounds; on a light button face they all but vanish. Such a picture is
// drawn as a glyph in the text colour instead (what the desktop does with its symbolic
// icons); coloured pictures (folder, save, camera) are kept as they are.
QPixmap legible(QPixmap pm, const QColor& ink)
{
    QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    double light = 0, weight = 0, colour = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            const double a = qAlpha(px) / 255.0;
            light += a * qGray(px);
            colour += a * (qMax(qRed(px), qMax(qGreen(px), qBlue(px)))
                           - qMin(qRed(px), qMin(qGreen(px), qBlue(px))));
            weight += a;
        }
    if (weight == 0 || light / weight < 170 || colour / weight > 40)
        return pm;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgba(ink.red(), ink.green(), ink.blue(), qAlpha(img.pixel(x, y))));
    QPixmap out = QPixmap::fromImage(img);
    out.setDevicePixelRatio(pm.devicePixelRatio());
    return out;
}

} // namespace

QIcon icon(IconId id)
{
    if (!fromTheme(id))
        return drawnIcon(id);
    const QIcon theme = QIcon::fromTheme(themeName(id));
    const QColor ink(0x2e, 0x34, 0x36);
    QIcon out;
    for (int size : {16, 24, 32}) {
        const QPixmap pm = theme.pixmap(size, size);
        if (!pm.isNull())
            out.addPixmap(legible(pm, ink));
    }
    return out.isNull() ? theme : out;
}

} // namespace ui
