// The bash completion of quorvexctl, made from the command table when the
// package is built, so it offers every command and option there is.
#include <map>
#include <set>

#include "cli/CtlCommands.h"

namespace {

std::string Words(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : " ") + w;
    return text;
}

std::string Names(const std::vector<TCtlOption>& options)
{
    std::vector<std::string> names;
    for (const TCtlOption& o : options)
        names.push_back(o.Name);
    return Words(names);
}

// Every option that takes a value, once: what its value completes to.
std::string ValueCases()
{
    std::set<std::string> seen;
    std::string files, choices, others;
    const auto add = [&](const TCtlOption& o) {
        if (o.Value.empty() || !seen.insert(o.Name).second)
            return;
        if (o.File)
            files += (files.empty() ? "" : "|") + o.Name;
        else if (!o.Choices.empty())
            choices += "        " + o.Name + ") words=\"" + Words(o.Choices) + "\" ;;\n";
        else
            others += (others.empty() ? "" : "|") + o.Name;
    };
    for (const TCtlOption& o : CtlGlobalOptions())
        add(o);
    for (const TCtlCommand& command : CtlCommands())
        for (const TCtlOption& o : command.Options)
            add(o);
    std::string text = choices;
    if (!files.empty())
        text += "        " + files + ") file=1 ;;\n";
    if (!others.empty())
        text += "        " + others + ") ;;\n";
    return text;
}

std::string ValuedOptions()
{
    std::set<std::string> names;
    for (const TCtlOption& o : CtlGlobalOptions())
        if (!o.Value.empty())
            names.insert(o.Name);
    for (const TCtlCommand& command : CtlCommands())
        for (const TCtlOption& o : command.Options)
            if (!o.Value.empty())
                names.insert(o.Name);
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : "|") + name;
    return text;
}

// The first words of the commands, and the second words of each group.
std::string FirstWords(std::map<std::string, std::vector<std::string>>& groups)
{
    std::vector<std::string> first;
    for (const TCtlCommand& command : CtlCommands()) {
        const size_t space = command.Name.find(' ');
        const std::string word = command.Name.substr(0, space);
        if (space != std::string::npos)
            groups[word].push_back(command.Name.substr(space + 1));
        if (first.empty() || first.back() != word)
            first.push_back(word);
    }
    return Words(first);
}

std::string CommandCases()
{
    std::string text;
    for (const TCtlCommand& command : CtlCommands()) {
        const std::string indent(20, ' ');
        text += "                \"" + command.Name + "\")\n" + indent + "options=\"" + Names(command.Options) + "\"\n";
        for (size_t i = 0; i < command.Arguments.size(); ++i) {
            const TCtlArgument& a = command.Arguments[i];
            const std::string when = indent + "[[ $argument == " + std::to_string(i) + " ]] && ";
            if (a.File)
                text += when + "file=1\n";
            else if (!a.Choices.empty())
                text += when + "words=\"" + Words(a.Choices) + "\"\n";
        }
        text += indent + ";;\n";
    }
    return text;
}

}  // namespace

std::string BashCompletionScript()
{
    std::map<std::string, std::vector<std::string>> groups;
    const std::string commands = FirstWords(groups);
    std::string groupCases;
    for (const auto& [group, second] : groups)
        groupCases += "            " + group + ") group=\"" + Words(second) + "\" ;;\n";
    return "# bash completion for quorvexctl; made by quorvexctl completion bash\n"
           "_quorvexctl()\n"
           "{\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    local globals=\"" + Names(CtlGlobalOptions()) + "\"\n"
           "    local words=\"\" options=\"\" file=\"\" group=\"\" command argument i\n"
           "    local -a args=()\n"
           "    # The words so far that are neither options nor their values.\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        case ${COMP_WORDS[i]} in\n"
           "            " + ValuedOptions() + ") ((i++)) ;;\n"
           "            -*) ;;\n"
           "            *) args+=(\"${COMP_WORDS[i]}\") ;;\n"
           "        esac\n"
           "    done\n"
           "    case $prev in\n" +
           ValueCases() +
           "        *) prev=\"\" ;;\n"
           "    esac\n"
           "    if [[ -n $prev ]]; then\n"
           "        :\n"
           "    elif [[ $cur == -* && ${#args[@]} == 0 ]]; then\n"
           "        words=$globals\n"
           "    elif [[ ${#args[@]} == 0 ]]; then\n"
           "        words=\"" + commands + "\"\n"
           "    else\n"
           "        case ${args[0]} in\n" +
           groupCases +
           "        esac\n"
           "        if [[ -n $group && ${#args[@]} == 1 ]]; then\n"
           "            words=$group\n"
           "        else\n"
           "            command=${args[0]}\n"
           "            argument=$((${#args[@]} - 1))\n"
           "            if [[ -n $group ]]; then\n"
           "                command+=\" ${args[1]}\"\n"
           "                argument=$((argument - 1))\n"
           "            fi\n"
           "            case $command in\n" +
           CommandCases() +
           "            esac\n"
           "            [[ $cur == -* ]] && words=\"$options $globals\" && file=\"\"\n"
           "        fi\n"
           "    fi\n"
           "    if [[ -n $file ]]; then\n"
           "        compopt -o filenames 2>/dev/null\n"
           "        mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
           "    else\n"
           "        mapfile -t COMPREPLY < <(compgen -W \"$words\" -- \"$cur\")\n"
           "    fi\n"
           "}\n"
           "complete -F _quorvexctl quorvexctl\n";
}

int CmdCompletion(TCtlCall& call)
{
    ChoiceValue(call.Name(), "SHELL", call.Args.Arguments[0], {"bash"});
    call.Env.Out << BashCompletionScript();
    return CtlOk;
}
