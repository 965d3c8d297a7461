#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// A fresh folder under the temporary directory, removed with everything in it.
class CScratchDir
{
public:
    CScratchDir()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/deruziz-test-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_strPath = pattern;
    }
    ~CScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    const std::string& Path() const { return m_strPath; }

    // Writes content to the relative path, creating the folders on the way; returns the full path.
    std::string Write(const std::string& relative, const std::string& content) const
    {
        const std::filesystem::path full = std::filesystem::path(m_strPath) / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream out(full, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out)
            throw std::runtime_error("cannot write " + full.string());
        return full.string();
    }

    std::string MakeDir(const std::string& relative) const
    {
        const std::filesystem::path full = std::filesystem::path(m_strPath) / relative;
        std::filesystem::create_directories(full);
        return full.string();
    }

private:
    std::string m_strPath;
};
