#include "setupfile.h"

#include "messageboxes.h"
#include "numbertext.h"
#include "programstate.h"
#include "setupoperations.h"
#include "setupsections.h"
#include "setupwindow.h"
#include "textfile.h"

#include <optional>
#include <vector>

namespace qmxsrv {
namespace {

// A fault that ends the reading: the 1-based line and what is wrong there,
// and the same without the line's text.
struct LoadFault {
    std::size_t line;
    std::string what;
    std::string plain;
};

// Reads the file's lines in order, knowing the number of the last one taken.
// Records are read whole and checked before any field is applied, so that a
// record cut short or holding a bad line leaves its object as it was.
class LineReader {
public:
    explicit LineReader(const std::vector<std::string> &lines) : lines_(lines) {}

    bool atEnd() const { return next_ >= lines_.size(); }
    std::size_t lineNumber() const { return next_; }
    const std::string &take() { return lines_[next_++]; }

    // The next line of a record or section named by `where`.
    const std::string &within(const char *where)
    {
        if (atEnd()) {
            const std::string what = std::string("The file ends inside a ") + where;
            throw LoadFault{lines_.size(), what, what};
        }
        return take();
    }
    std::int16_t integer(const char *where)
    {
        const std::string &line = within(where);
        if (const auto n = readFileInteger(line))
            return *n;
        throw fault(line, "is not a number from -32768 to 32767");
    }
    float real(const char *where)
    {
        const std::string &line = within(where);
        if (const auto f = readFileFloat(line))
            return *f;
        throw fault(line, "is not a number");
    }
    bool boolean(const char *where)
    {
        const std::string &line = within(where);
        if (const auto b = readFileBoolean(line))
            return *b;
        throw fault(line, "is not True, False or a number");
    }
    WindowPlace place(const char *where)
    {
        WindowPlace p;
        p.Top = integer(where);
        p.Left = integer(where);
        p.Height = integer(where);
        p.Width = integer(where);
        return p;
    }
    // A number that must name an object of a collection of `count` items.
    std::int16_t position(const char *where, int count, const char *kind, const char *countName)
    {
        const std::int16_t n = integer(where);
        if (n < 1 || n > count) {
            const std::string what = std::string("There is no ") + kind + " " + std::to_string(n) +
                                     "; " + countName + " is " + std::to_string(count);
            throw LoadFault{next_, what, what};
        }
        return n;
    }

private:
    LoadFault fault(const std::string &line, const char *is) const
    {
        return {next_, "\"" + line + "\" " + is, std::string("the line ") + is};
    }
    const std::vector<std::string> &lines_;
    std::size_t next_ = 0;
};

// The general section's items; apply is false for a count the board cannot
// address, which changes nothing.
struct GeneralItem {
    const char *key;
    bool (*apply)(ProgramState &state, std::int16_t value);
};

const GeneralItem generalItems[] = {
    {"MaxChannel", CreateChannels},
    {"MaxLVDT", CreateLVDTs},
    {"MaxAnalog", CreateAnalogs},
    {"MaxDigital",
     [](ProgramState &state, std::int16_t n) {
         CreateDigitals(state, n);
         return true;
     }},
    {"Decimals",
     [](ProgramState &state, std::int16_t n) {
         state.settings.SystemDecimals = n;
         return true;
     }},
};

const GeneralItem *findGeneralItem(const std::string &key)
{
    for (const GeneralItem &item : generalItems)
        if (key == item.key)
            return &item;
    return nullptr;
}

struct ChannelRecord {
    std::int16_t Index;
    std::string Description, Formula;
    std::int16_t Decimals;
    std::string Units;
    float Master1, Master2;
    bool UseTwoMasters;
    float HiTol, HiAppr, LoAppr, LoTol, Scaling, ZeroOffset, BarDisplayTop, BarDisplayBot;
};

class SetupLoader {
public:
    SetupLoader(ProgramState &state, const std::string &fileName,
                const std::vector<std::string> &lines, std::vector<SetupLoadProblem> *problems)
        : state_(state), fileName_(fileName), in_(lines), problems_(problems)
    {
    }

    void run()
    {
        try {
            if (!in_.atEnd())
                in_.take(); // the version line is not compared with anything
            while (!in_.atEnd()) {
                const std::string &line = in_.take();
                if (line == "[End Setup]")
                    break;
                section(line);
            }
        } catch (const LoadFault &f) {
            report(f.line, f.what + "\rLoading stopped at this line.", f.plain);
        }
    }

private:
    void section(const std::string &line)
    {
        if (line == "[General Setup]")
            return generalSetup();
        for (const WindowSection &w : windowSections)
            if (line == w.header) {
                state_.*w.record.*w.place = in_.place(w.header);
                return;
            }
        if (line == "[Channel]")
            return channelRecord();
        if (line == "[lvdt]")
            return inputRecord(state_.LVDTs, "[lvdt] record", "LVDT", "MaxLVDT");
        if (line == "[Analog]")
            return inputRecord(state_.Analogs, "[Analog] record", "analog input", "MaxAnalog");
        if (line == "[Group]")
            return groupRecord();
        note(in_.lineNumber(), "not a section of a setup file");
        tell(state_.boxes(), "Section:" + line + " not valid");
    }

    void generalSetup()
    {
        while (!in_.atEnd()) {
            const std::string &line = in_.take();
            if (line == "[End Section]")
                return;
            const auto eq = line.find('=');
            if (eq == std::string::npos) {
                const std::string what = "A [General Setup] line without \"=\"";
                throw LoadFault{in_.lineNumber(), what, what};
            }
            const std::string key = line.substr(0, eq);
            if (key == "MaxStrain")
                continue; // accepted; the strain count comes from qmxsrv.ini only
            const GeneralItem *item = findGeneralItem(key);
            if (!item) {
                note(in_.lineNumber(), "an unknown item in [General Setup]");
                tell(state_.boxes(), "Unknown item in [general setup]\r" + line);
                continue;
            }
            const auto value = readFileInteger(line.substr(eq + 1));
            if (!value)
                throw LoadFault{in_.lineNumber(),
                                "\"" + line + "\": the value is not a number from -32768 to 32767",
                                key + ": the value is not a number from -32768 to 32767"};
            if (!item->apply(state_, *value)) {
                const std::string what = key + " " + std::to_string(*value) + " is above " +
                                         std::to_string(MaxItemCount) +
                                         ", the most the board can address; the line is ignored.";
                report(in_.lineNumber(), what, what);
            }
        }
    }

    void channelRecord()
    {
        const char *where = "[Channel] record";
        ChannelRecord r;
        r.Index = in_.position(where, state_.Channels.Count(), "channel", "MaxChannel");
        r.Description = in_.within(where);
        r.Formula = in_.within(where);
        r.Decimals = in_.integer(where);
        r.Units = in_.within(where);
        r.Master1 = in_.real(where);
        r.Master2 = in_.real(where);
        r.UseTwoMasters = in_.boolean(where);
        r.HiTol = in_.real(where);
        r.HiAppr = in_.real(where);
        r.LoAppr = in_.real(where);
        r.LoTol = in_.real(where);
        r.Scaling = in_.real(where);
        r.ZeroOffset = in_.real(where);
        r.BarDisplayTop = in_.real(where);
        r.BarDisplayBot = in_.real(where);
        in_.within(where); // "[End Channel]", not compared

        channel &c = state_.Channels.Item(r.Index);
        c.Index = r.Index;
        c.InUse = true;
        c.Description = r.Description;
        c.setFormula(r.Formula);
        c.Decimals = r.Decimals;
        c.Units = r.Units;
        c.Master1 = r.Master1;
        c.Master2 = r.Master2;
        c.UseTwoMasters = r.UseTwoMasters;
        c.HiTol = r.HiTol;
        c.HiAppr = r.HiAppr;
        c.LoAppr = r.LoAppr;
        c.LoTol = r.LoTol;
        c.setScaling(r.Scaling);
        c.setZeroOffset(r.ZeroOffset);
        c.BarDisplayTop = r.BarDisplayTop;
        c.BarDisplayBot = r.BarDisplayBot;
    }

    // [lvdt] and [Analog]: Index, Description, FullScale, ZeroOffset, end line.
    template <typename Input> void inputRecord(Collection<Input> &items, const char *where,
                                               const char *kind, const char *countName)
    {
        const std::int16_t index = in_.position(where, items.Count(), kind, countName);
        const std::string description = in_.within(where);
        const float fullScale = in_.real(where);
        const float zeroOffset = in_.real(where);
        in_.within(where);

        Input &item = items.Item(index);
        item.Index = index;
        item.Description = description;
        item.setFullScale(fullScale);
        item.setZeroOffset(zeroOffset);
    }

    void groupRecord()
    {
        const char *where = "[Group] record";
        auto g = std::make_unique<group>();
        g->Index = in_.integer(where);
        g->Description = in_.within(where);
        const std::int16_t count = in_.integer(where);
        for (int i = 0; i < count; ++i)
            g->AddChannel(in_.position(where, state_.Channels.Count(), "channel", "MaxChannel"));
        WindowGeometry w;
        w.Grid = in_.place(where);
        w.Bar = in_.place(where);
        w.Dial = in_.place(where);
        g->setWindows(w);
        in_.within(where);
        state_.Groups.Add(std::move(g));
    }

    void report(std::size_t line, const std::string &what, const std::string &plain)
    {
        note(line, plain);
        tell(state_.boxes(), fileName_ + ", line " + std::to_string(line) + ":\r" + what,
             Icon::Exclamation);
    }
    void note(std::size_t line, const std::string &plain)
    {
        if (problems_)
            problems_->push_back({line, plain});
    }

    ProgramState &state_;
    const std::string fileName_;
    LineReader in_;
    std::vector<SetupLoadProblem> *problems_;
};

} // namespace

void LoadSetupFile(ProgramState &state, SetupWindow &window,
                   std::vector<SetupLoadProblem> *problems)
{
    ViewState &view = state.view;
    if (view.SetupFileName.empty())
        return;
    view.UpdateEnabled = false;
    ClearSetup(state);

    const TextFileRead file = readTextFile(view.SetupFileName);
    if (file.status == TextFileRead::Status::Ok)
        SetupLoader(state, view.SetupFileName, file.lines, problems).run();
    else if (problems)
        problems->push_back({0, "cannot be opened: " + file.error});
    if (file.status != TextFileRead::Status::Ok)
        tell(state.boxes(), "Cannot open the setup file " + view.SetupFileName + "\r" + file.error,
             Icon::Exclamation);

    view.SetupModified = false;
    window.showSetupTitle(setupWindowTitle(view.SetupFileName));
    window.UpdateMainDisplay();
    view.UpdateEnabled = true;
}

} // namespace qmxsrv
