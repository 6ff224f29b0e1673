// Quillon engine: the engine's command line.
#pragma once

#include <QStringList>

class QTextStream;

namespace engine {

// quillon-engine [--serve]
//     serves the automation protocol on standard input and output (the default)
// quillon-engine --publish xml|html INPUT OUTPUT [--quality N]
//     opens INPUT, publishes it to OUTPUT and closes it
// quillon-engine --version | --help
class CommandLine final {
public:
    // The process exit code: 0 on success; for a failed publish the error's exit code with its
    // description on err; 8 for a damaged document published in part (what is missing on err);
    // 64 for a command line that cannot be understood.
    static int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

    static constexpr int kDamaged = 8;
    static constexpr int kUsageError = 64;

private:
    static int serve();
    static int publish(const QStringList& arguments, QTextStream& err);
};

} // namespace engine
