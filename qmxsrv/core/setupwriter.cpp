#include "setupfile.h"

#include "messageboxes.h"
#include "numbertext.h"
#include "programstate.h"
#include "setupsections.h"
#include "textfile.h"

#include <filesystem>
#include <vector>

namespace qmxsrv {
namespace {

class Lines {
public:
    void text(const std::string &t) { lines_.push_back(oneLine(t)); }
    void integer(long n) { lines_.push_back(fileInteger(n)); }
    void real(float f) { lines_.push_back(fileFloat(f)); }
    void boolean(bool b) { lines_.push_back(fileBoolean(b)); }
    void place(const WindowPlace &p)
    {
        integer(p.Top);
        integer(p.Left);
        integer(p.Height);
        integer(p.Width);
    }
    std::string joined() const { return crlfText(lines_); }

private:
    std::vector<std::string> lines_;
};

void writeChannel(Lines &out, channel &c)
{
    out.text("[Channel]");
    out.integer(c.Index);
    out.text(c.Description);
    out.text(c.Formula());
    out.integer(c.Decimals);
    out.text(c.Units);
    out.real(c.Master1);
    out.real(c.Master2);
    out.boolean(c.UseTwoMasters);
    out.real(c.HiTol);
    out.real(c.HiAppr);
    out.real(c.LoAppr);
    out.real(c.LoTol);
    out.real(c.Scaling());
    out.real(c.ZeroOffset());
    out.real(c.BarDisplayTop);
    out.real(c.BarDisplayBot);
    out.text("[End Channel]");
}

// LVDT and analog records share their layout.
template <typename Input>
void writeInput(Lines &out, Input &item, const char *header, const char *end)
{
    out.text(header);
    out.integer(item.Index);
    out.text(item.Description);
    out.real(item.FullScale());
    out.real(item.ZeroOffset());
    out.text(end);
}

void writeGroup(Lines &out, const group &g)
{
    out.text("[Group]");
    out.integer(g.Index);
    out.text(g.Description);
    out.integer(g.Count());
    for (int i = 1; i <= g.Count(); ++i)
        out.integer(g.GetChannel(static_cast<std::int16_t>(i)));
    const WindowGeometry w = g.windows();
    out.place(w.Grid);
    out.place(w.Bar);
    out.place(w.Dial);
    out.text("[End Group]");
}

} // namespace

std::string setupText(ProgramState &state)
{
    const Settings &s = state.settings;
    Lines out;
    out.text("[QMXSRV Version 1.0]");
    out.text("[General Setup]");
    out.text("MaxChannel=" + fileInteger(s.MaxChannel));
    out.text("MaxLVDT=" + fileInteger(s.MaxLVDT));
    out.text("MaxAnalog=" + fileInteger(s.MaxAnalog));
    out.text("MaxDigital=0");
    out.text("MaxStrain=0");
    out.text("Decimals=" + fileInteger(s.SystemDecimals));
    out.text("[End Section]");
    for (const WindowSection &w : windowSections) {
        out.text(w.header);
        out.place(state.*w.record.*w.place);
    }
    for (channel &c : state.Channels)
        if (c.InUse)
            writeChannel(out, c);
    for (lvdt &l : state.LVDTs)
        writeInput(out, l, "[lvdt]", "[End lvdt]");
    for (analog &a : state.Analogs)
        writeInput(out, a, "[Analog]", "[End Analog]");
    for (const group &g : state.Groups)
        writeGroup(out, g);
    out.text("[End Setup]");
    return out.joined();
}

bool SaveSetupFile(ProgramState &state)
{
    const std::string &name = state.view.SetupFileName;
    if (name.empty())
        return false;
    const std::string error = saveTextFileAtomically(name, setupText(state));
    if (!error.empty()) {
        tell(state.boxes(), "Cannot write the setup file " + name + "\r" + error,
             Icon::Exclamation);
        return false;
    }
    state.view.SetupModified = false;
    return true;
}

std::string SaveRecoveryFile(ProgramState &state, const std::string &folder, std::string &error)
{
    constexpr int MaxRecoveries = 999;
    for (int n = 1; n <= MaxRecoveries; ++n) {
        const std::string path =
            folder + "/recovered" + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".qmx";
        std::error_code ec;
        // symlink_status: a dangling link counts as taken, so nothing is written through it.
        const auto type = std::filesystem::symlink_status(path, ec).type();
        if (type == std::filesystem::file_type::none) {
            error = ec.message();
            return {};
        }
        if (type != std::filesystem::file_type::not_found)
            continue;
        error = saveTextFileAtomically(path, setupText(state));
        return error.empty() ? path : std::string();
    }
    error = "recovered.qmx to recovered-" + std::to_string(MaxRecoveries) + ".qmx all exist";
    return {};
}

} // namespace qmxsrv
