#include "QMFPlayer/qmfplay/zemcryptrun.h"

#include "QMFPlayer/qmfplay/childwait.h"
#include "ZemBaseLib/systemtool.h"

#include <unistd.h>

bool ZemCryptRun::operator()(const std::string& key, const std::string& path) const
{
    const std::string tool = folder_ + "/zemcrypt.exe";
    if (access(tool.c_str(), F_OK) != 0)
        return false;
    // Quoted one by one and split back without a shell: no key can add an option.
    ChildRun run;
    run.program = QuoteArgument(tool);
    run.arguments = "-dec -k " + QuoteArgument(key) + " " + QuoteArgument(path);
    run.timeoutSeconds = 30;
    return !StartFailed(RunToEnd(run, keepGoing_));
}
