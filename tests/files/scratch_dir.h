/*
 * Test helper: a private directory under /tmp, removed with its contents,
 * plus whole-file byte access so tests can inspect and damage files without
 * going through the layer under test.
 */
#ifndef SHROTL_TESTS_FILES_SCRATCH_DIR_H
#define SHROTL_TESTS_FILES_SCRATCH_DIR_H

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

class ScratchDir {
public:
    ScratchDir()
    {
        char name[] = "/tmp/shrotl-files-XXXXXX";
        if (mkdtemp(name))
            dir_ = name;
    }
    ~ScratchDir()
    {
        for (const std::string &e : entries())
            unlink(path(e).c_str());
        rmdir(dir_.c_str());
    }
    bool ok() const { return !dir_.empty(); }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        DIR *d = opendir(dir_.c_str());
        while (const dirent *e = d ? readdir(d) : nullptr)
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        if (d)
            closedir(d);
        std::sort(names.begin(), names.end());
        return names;
    }
    Bytes read(const std::string &name) const
    {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void write(const std::string &name, const Bytes &bytes) const
    {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    }

private:
    std::string dir_;
};

#endif
