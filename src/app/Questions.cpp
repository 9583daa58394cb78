// The question table.
#include "app/Questions.h"

namespace corvel {

const std::array<Question, questionCount> questions{{
    {"Enter REAL Name (First Last): ", &AnswerSet::realName, "User Name = ", "Real Name = ", true, noGoingBack},
    {"Enter Email Address: ", &AnswerSet::emailAddress, "Email Address = ", "Email Address = ", true, 1},
    {"Enter BBS/Site Name: ", &AnswerSet::siteName, "BBS/Site Name = ", "BBS/Site Name = ", true, 2},
    {"Enter Location (City, State): ", &AnswerSet::location, "Location = ", "Location = ", true, 3},
    {"Enter Voice phone no. (i.e. 1-337-555-1212): ", &AnswerSet::voicePhone, "Voice phone no. = ",
     "Voice Phone = ", true, 4},
    {"Enter Best time to call (i.e. 7am-9pm): ", &AnswerSet::bestTimeToCall, "Best Time to call = ",
     "Best Time to call = ", false, 5},
    {"Enter Data phone no. (Dialup only): ", &AnswerSet::dataPhone, "Data phone no. = ", "Data Phone = ", false, 6},
    {"Enter Max DCE BAUD Rate (300-38400): ", &AnswerSet::baudRate, "BAUD Rate = ", "BAUD Rate = ", false, 7},
    {"Internet Connectivity? (BinkP, Telnet, FTP): ", &AnswerSet::internetConnectivity, "Internet Connectivity = ",
     "Internet = ", false, baudGateGoingBack},
    {"Enter Domain Name or Static IP Address: ", &AnswerSet::domainOrIp, "Domain/Static IP = ", "Domain/IP = ",
     false, 9},
    {"Enter Name of Mailer Software: ", &AnswerSet::mailerSoftware, "Mailer Software = ", "Mailer = ", false, 10},
    {"Enter Name of Echomail Tosser: ", &AnswerSet::echomailTosser, "Echomail Tosser = ", "Echomail Tosser = ",
     false, 11},
    {"Enter Name of File Tosser: ", &AnswerSet::fileTosser, "File Tosser = ", "File Tosser = ", false, 12},
    {"Were you ever a Listed FIDONet SysOp? (Y/N): ", &AnswerSet::formerSysop, "Former SysOp = ",
     "Former SysOp = ", true, 13},
    {"Enter any Special Instructions: ", &AnswerSet::specialInstructions, "Special Instructions = ",
     "Instructions = ", false, 14},
}};

}  // namespace corvel
