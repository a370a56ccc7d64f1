#include "rules/RuleSet.h"

RuleSet RuleSet::fromProfile(const ServerProfile& profile)
{
    RuleSet rules;
    rules.RuleNoJapanese = profile.RuleNoJapanese;
    rules.RuleUnsolicited = profile.RuleUnsolicited;
    rules.MyAddress = profile.MyAddress;
    rules.RuleNotToMe = profile.RuleNotToMe;
    rules.RuleNotCcMe = profile.RuleNotCcMe;
    rules.RuleSubjectWords = profile.RuleSubjectWords;
    rules.SubjectWords = profile.SubjectWords;
    rules.RuleSenderWords = profile.RuleSenderWords;
    rules.SenderWords = profile.SenderWords;
    rules.AllowList = profile.AllowList;
    return rules;
}
