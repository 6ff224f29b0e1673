// quillon-convert: what the command line asks for.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace cli {

enum class Format { Xml, Html };

// The part of the files a run converts: the index-th (from 1) of count parts.
struct Shard {
    int index = 1;
    int count = 1;

    // Whether the file with this path relative to SOURCE falls in this part. The parts depend
    // on nothing but the path, so runs on different machines divide the files without talking.
    bool contains(const QByteArray& relativePath) const;
};

struct Settings {
    QByteArray source;    // as given
    QByteArray target;    // as given
    QByteArray filesFrom; // the list of files instead of the walk; "-" for standard input
    bool nulSeparated = false;
    QStringList extensions; // lower case, without dots; empty: every file
    Format format = Format::Xml;
    int quality = 80;
    QByteArray macro;
    int jobs = 1;
    int timeoutSeconds = 120; // 0: none
    int memoryLimitMb = 2048; // 0: none
    bool skipExisting = false;
    bool checksum = false;       // --skip-existing compares the documents' SHA-256 too
    bool acceptFailures = false; // documents that fail do not fail the run
    Shard shard;
    QByteArray report; // JSON Lines file; "-" for standard output
    bool quiet = false;
    bool verbose = false;

    QString outputExtension() const;
};

} // namespace cli
