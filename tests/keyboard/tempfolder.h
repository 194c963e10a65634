// A temporary folder for the keyboard's settings files, removed with its contents at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/kesmir-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string read(const char* file) const
    {
        std::ifstream in(path + "/" + file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void write(const char* file, const std::string& text) const { std::ofstream(path + "/" + file, std::ios::binary) << text; }

    std::string path;
};
