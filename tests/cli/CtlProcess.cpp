#include "CtlProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

TCtlProcessRun RunCtlProcess(const std::vector<std::string>& args, int signal, const std::string& dir)
{
    TCtlProcessRun run;
    std::vector<char*> argv{const_cast<char*>("quorvexctl")};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return run;
    const pid_t child = ::fork();
    if (child < 0)
        return run;
    if (child == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        if (!dir.empty() && ::chdir(dir.c_str()) != 0)
            ::_exit(126);
        ::execv(QUORVEX_CTL_PATH, argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    FILE* out = ::fdopen(pipeFds[0], "r");
    char line[512] = "";
    if (std::fgets(line, sizeof line, out))
        run.First = line;
    if (signal != 0)
        ::kill(child, signal);
    while (std::fgets(line, sizeof line, out))
        run.Rest += line;
    std::fclose(out);
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.Status = WEXITSTATUS(status);
    return run;
}
