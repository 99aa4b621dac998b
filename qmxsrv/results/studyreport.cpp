#include "results/studyreport.h"

#include "core/numbertext.h"
#include "core/textfile.h"
#include "quality/studyfigures.h"
#include "results/partsmodel.h"
#include "results/studycharts.h"

#include <QBuffer>
#include <QChart>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <memory>

namespace qmxsrv {

namespace {

using study::Study;
using study::StudyType;
using Rows = std::vector<std::vector<std::string>>;

constexpr int Dpi = 300;
constexpr int ColumnsPerBlock = 10; // parts or readings on one row of the sheet

QString q(const std::string &s) { return QString::fromStdString(s); }

// The pages as they fill: a cursor down the page, a new page when the next
// item does not fit, the page's number at its foot.
class Pages {
public:
    Pages(QPdfWriter &pdf, QPainter &painter, QString footer)
        : pdf_(pdf), p_(painter), footer_(std::move(footer)), width_(pdf.width()),
          height_(pdf.height() - mm(8))
    {
    }
    double mm(double v) const { return v * Dpi / 25.4; }
    double width() const { return width_; }
    QPainter &painter() { return p_; }

    void need(double h)
    {
        if (y_ + h > height_ && y_ > 0) {
            foot();
            pdf_.newPage();
            ++page_;
            y_ = 0;
        }
    }
    double take(double h)
    {
        need(h);
        const double at = y_;
        y_ += h;
        return at;
    }
    void gap(double millimetres) { y_ += mm(millimetres); }

    void line(const QString &text, const QFont &font, const QColor &color = Qt::black)
    {
        const QFontMetricsF m(font, &pdf_);
        const QRectF box(0, 0, width_, 1e6);
        const QRectF used = m.boundingRect(box, Qt::TextWordWrap, text);
        const double top = take(used.height() + mm(1));
        p_.setFont(font);
        p_.setPen(color);
        p_.drawText(QRectF(0, top, width_, used.height()), Qt::TextWordWrap, text);
    }

    // A table, the first row its heading; widths as parts of the page. A
    // heading is repeated on a new page. Numbers: every column after the
    // first is right-aligned.
    void table(const Rows &rows, const std::vector<double> &widths, const QFont &font,
               bool numbers = true)
    {
        QFont bold = font;
        bold.setBold(true);
        const double h = QFontMetricsF(font, &pdf_).height() + mm(1.6);
        double total = 0;
        for (double w : widths)
            total += w;
        const auto draw = [&](const std::vector<std::string> &row, bool heading, double top) {
            double x = 0;
            if (heading)
                p_.fillRect(QRectF(0, top, width_, h), QColor(0xe8, 0xe8, 0xe8));
            p_.setFont(heading ? bold : font);
            p_.setPen(Qt::black);
            for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c) {
                const double w = widths[c] / total * width_;
                p_.drawText(QRectF(x + mm(1), top, w - mm(2), h),
                            Qt::AlignVCenter | (c > 0 && numbers ? Qt::AlignRight : Qt::AlignLeft),
                            q(row[c]));
                x += w;
            }
            p_.setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 0));
            p_.drawLine(QPointF(0, top + h), QPointF(width_, top + h));
        };
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const int pageBefore = page_;
            const double top = take(h);
            if (r > 0 && page_ != pageBefore) { // the heading again, then the row
                draw(rows[0], true, top);
                draw(rows[r], false, take(h));
                continue;
            }
            draw(rows[r], r == 0, top);
        }
    }

    // A chart drawn as vectors from its own scene, size the chart's pixels.
    void chart(std::unique_ptr<QChart> chart, QSizeF size)
    {
        QGraphicsScene scene;
        QChart *c = chart.release();
        scene.addItem(c); // the scene owns it
        c->resize(size);
        c->layout()->activate();
        const double h = width_ * size.height() / size.width();
        const double top = take(h);
        scene.render(&p_, QRectF(0, top, width_, h), QRectF(QPointF(0, 0), size));
        gap(2);
    }

    void foot()
    {
        QFont f = p_.font();
        f.setPointSizeF(8);
        f.setBold(false);
        p_.setFont(f);
        p_.setPen(QColor(0x60, 0x60, 0x60));
        p_.drawText(QRectF(0, height_ + mm(3), width_, mm(5)), Qt::AlignLeft | Qt::AlignVCenter,
                    footer_);
        p_.drawText(QRectF(0, height_ + mm(3), width_, mm(5)), Qt::AlignRight | Qt::AlignVCenter,
                    QStringLiteral("Page %1").arg(page_));
    }

private:
    QPdfWriter &pdf_;
    QPainter &p_;
    QString footer_;
    double width_, height_;
    double y_ = 0;
    int page_ = 1;
};

// As the station shows a value, without the blank that stands for a plus.
std::string value(const std::optional<double> &v, int decimals)
{
    if (!v)
        return {};
    const std::string text = formatValue(*v, decimals);
    return text.substr(text.find_first_not_of(' '));
}

std::string joined(const std::vector<std::string> &names)
{
    std::string out;
    for (const std::string &n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? "-" : out;
}

Rows aboutRows(const Study &s)
{
    Rows rows = {{"Study", ""}};
    rows.push_back({"Setup", s.setup.empty() ? "(untitled)" : s.setup});
    std::string channel = std::to_string(s.channel);
    if (!s.description.empty())
        channel += " " + s.description;
    if (!s.units.empty())
        channel += " [" + s.units + "]";
    rows.push_back({"Channel", channel});
    rows.push_back({"Design", study::designText(s)});
    if (s.type == StudyType::Grr) {
        std::string names;
        for (int a = 0; a < s.appraisers; ++a)
            names += (a ? ", " : "") + s.appraiserName(a);
        rows.push_back({"Appraisers", names});
        rows.push_back(
            {"Method", s.method == study::GrrMethod::Anova ? "ANOVA" : "Average and range"});
    }
    if (s.reference)
        rows.push_back({"Reference value (Xm)", value(s.reference, s.decimals)});
    rows.push_back({"Tolerance (T)", s.tolerance ? value(s.tolerance, s.decimals) : "none"});
    if (s.type == StudyType::Type1)
        rows.push_back({"K, L", "K " + numberText(s.k) + " % of T, L " + numberText(s.l) +
                                    " standard deviations"});
    rows.push_back({"Began", localTimeText(s.createdUtc).toStdString()});
    rows.push_back({"Finished", s.finishedUtc.empty()
                                    ? "not yet: " + std::to_string(s.taken()) + " of " +
                                          std::to_string(s.cells.size()) + " readings taken"
                                    : localTimeText(s.finishedUtc).toStdString()});
    rows.push_back({"Operators", joined(s.operators())});
    return rows;
}

// The readings as on the study's data sheet: R&R a row per appraiser and
// trial, type 3 a row per trial, type 1 rows of ten; parts in blocks of ten.
std::vector<Rows> sheetBlocks(const Study &s)
{
    const auto shown = [&](const study::StudyCell &c) { return value(c.value, s.decimals); };
    std::vector<Rows> blocks;
    if (s.type == StudyType::Type1) {
        std::vector<const study::StudyCell *> byTrial(s.cells.size());
        for (const study::StudyCell &c : s.cells)
            byTrial[std::size_t(c.trial)] = &c;
        Rows rows = {{"Readings"}};
        for (int i = 1; i <= ColumnsPerBlock; ++i)
            rows[0].push_back(std::to_string(i));
        for (std::size_t i = 0; i < byTrial.size(); i += ColumnsPerBlock) {
            std::vector<std::string> row = {
                std::to_string(i + 1) + " to " +
                std::to_string(std::min(i + ColumnsPerBlock, byTrial.size()))};
            for (std::size_t j = i; j < i + ColumnsPerBlock && j < byTrial.size(); ++j)
                row.push_back(byTrial[j] ? shown(*byTrial[j]) : "");
            rows.push_back(row);
        }
        blocks.push_back(rows);
        return blocks;
    }
    std::vector<const study::StudyCell *> at(s.cells.size(), nullptr);
    const auto index = [&](int a, int p, int t) {
        return std::size_t((a * s.parts + p) * s.trials + t);
    };
    for (const study::StudyCell &c : s.cells)
        at[index(c.appraiser, c.part, c.trial)] = &c;
    const bool grr = s.type == StudyType::Grr;
    for (int first = 0; first < s.parts; first += ColumnsPerBlock) {
        const int last = std::min(first + ColumnsPerBlock, s.parts);
        Rows rows = {{grr ? "Appraiser, trial" : "Trial"}};
        for (int p = first; p < last; ++p)
            rows[0].push_back("Part " + std::to_string(p + 1));
        for (int a = 0; a < s.appraisers; ++a)
            for (int t = 0; t < s.trials; ++t) {
                std::vector<std::string> row = {grr ? s.appraiserName(a) + ", " +
                                                          std::to_string(t + 1)
                                                    : std::to_string(t + 1)};
                for (int p = first; p < last; ++p)
                    row.push_back(at[index(a, p, t)] ? shown(*at[index(a, p, t)]) : "");
                rows.push_back(row);
            }
        blocks.push_back(rows);
    }
    return blocks;
}

QColor verdictShade(Verdict v)
{
    switch (v) {
    case Verdict::Good: return QColor(0xd6, 0xf0, 0xd6);
    case Verdict::Approach: return QColor(0xfb, 0xec, 0xc4);
    case Verdict::Reject: return QColor(0xf6, 0xd2, 0xd2);
    case Verdict::Invalid: break;
    }
    return QColor(0xe8, 0xe8, 0xe8);
}

} // namespace

QByteArray studyReport(const Study &s)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(Dpi);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        const QString title =
            QStringLiteral("Gauge study %1: %2").arg(s.id).arg(q(study::typeName(s.type)));
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("QMXSRV"));
        QPainter painter(&pdf);
        Pages pages(pdf, painter,
                    title + QStringLiteral(", printed ") +
                        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")));
        QFont body(QStringLiteral("DejaVu Sans"));
        body.setPointSizeF(9.5);
        QFont heading = body, big = body;
        heading.setPointSizeF(11.5);
        heading.setBold(true);
        big.setPointSizeF(16);
        big.setBold(true);

        pages.line(title, big);
        pages.gap(2);
        pages.table(aboutRows(s), {1, 3}, body, false);
        pages.gap(4);

        const study::Evaluation e = study::evaluate(s);
        const Verdict verdict = study::verdictOf(e);
        if (const auto *why = std::get_if<std::string>(&e)) {
            pages.line(QStringLiteral("No figures: ") + q(*why) + ".", heading);
        } else {
            const double h = QFontMetricsF(heading, &pdf).height() + pages.mm(4);
            const double top = pages.take(h);
            painter.fillRect(QRectF(0, top, pages.width(), h), verdictShade(verdict));
            painter.setFont(heading);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(pages.mm(2), top, pages.width() - pages.mm(4), h),
                             Qt::AlignVCenter | Qt::AlignLeft, q(study::verdictLine(e)));
            pages.gap(3);
            const Rows figures = study::figureTable(e, s.decimals);
            pages.line(QStringLiteral("Figures"), heading);
            pages.table(figures,
                        figures[0].size() == 2 ? std::vector<double>{3, 2}
                                               : std::vector<double>{3, 2, 2, 2},
                        body);
        }
        pages.gap(4);
        pages.line(QStringLiteral("Charts"), heading);
        const bool single = s.type == StudyType::Type1;
        for (auto &chart : makeStudyCharts(s))
            pages.chart(std::move(chart), single ? QSizeF(900, 420) : QSizeF(900, 330));
        pages.gap(2);
        pages.line(QStringLiteral("Readings"), heading);
        for (const Rows &block : sheetBlocks(s)) {
            std::vector<double> widths(block[0].size(), 1.0);
            widths[0] = 1.4;
            pages.table(block, widths, body);
            pages.gap(3);
        }
        pages.foot();
    }
    return bytes;
}

std::string saveStudyReport(const Study &study, const std::string &path)
{
    const QByteArray pdf = studyReport(study);
    if (pdf.isEmpty())
        return "the report could not be made";
    return saveTextFileAtomically(path, pdf.toStdString()); // an earlier report stays whole
}

} // namespace qmxsrv
