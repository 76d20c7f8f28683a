#pragma once
// The output file of the stand-in receiver: one line per received notice, each appended with one
// write (O_APPEND) and synced before Append returns, so a reader never sees half a line and a
// receiver killed after Append leaves the line on disk. Lines end in CR.
#include <initializer_list>
#include <string>

class GPPNoticeLog {
public:
    // Opens or creates the file (0600); never follows a link in its last component.
    explicit GPPNoticeLog(const std::string& path);
    ~GPPNoticeLog();
    GPPNoticeLog(const GPPNoticeLog&) = delete;
    GPPNoticeLog& operator=(const GPPNoticeLog&) = delete;

    bool IsOpen() const { return mFD >= 0; }
    // Writes fields separated by tabs; a tab, CR, LF or backslash inside a field is escaped
    // (\t, \r, \n, \\). False when the line could not be written and synced whole.
    bool Append(const std::initializer_list<std::string>& fields);

    static std::string Escape(const std::string& field);

private:
    int mFD = -1;
};
