#include "window/LogAccumulator.h"

wxString LogAccumulator::GetText() const
{
    wxString all = header + "\r\n";
    if (droppedBytes > 0)
        all += wxString::Format(
            "[%zu bytes of older log messages were dropped to save memory.]\r\n", droppedBytes);
    return all + wxString::FromUTF8(text.data(), text.size());
}

void LogAccumulator::DoLogRecord(wxLogLevel, const wxString& msg, const wxLogRecordInfo&)
{
    text += msg.utf8_str();
    text += "\r\n";
    if (text.size() > kKeptBytes + kTrimSlackBytes)
        DropOldestLines();
}

void LogAccumulator::DropOldestLines()
{
    // Cut at a line end so that the copy starts with a whole message.
    size_t cut = text.find('\n', text.size() - kKeptBytes);
    cut = cut == std::string::npos ? text.size() - kKeptBytes : cut + 1;
    droppedBytes += cut;
    text.erase(0, cut);
}
