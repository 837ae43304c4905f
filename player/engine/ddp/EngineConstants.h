#pragma once

// Fixed names of the disc-image side: the files of a DDP fileset, the
// identifiers the fileset reader returns, and the CD-TEXT genre names.
// The player's shared constants include this header; the values are built
// during static initialisation and never change.

#include <map>
#include <string>

namespace DDP {

inline const std::string ddpIdFileName = "DDPID";
inline const std::string ddpMsFileName = "DDPMS";
inline const std::string pqDescrFileName = "PQDESCR";
inline const std::string imageFileName = "IMAGE.DAT";
inline const std::string cdTextFileName = "CDTEXT.BIN";

// Returned by DDP::readFileset; an empty string means success.
inline const std::string ddpidMissingError = "ddpidMissingError";
inline const std::string ddpmsMissingError = "ddpmsMissingError";
inline const std::string pqdescrMissingError = "pqdescrMissingError";
// Kept for completeness of the identifier set: a wrong signature is not an
// error for the reader, so these are never returned.
inline const std::string ddpidInvalidError = "ddpidInvalidError";
inline const std::string ddpmsInvalidError = "ddpmsInvalidError";
inline const std::string pqdescrInvalidError = "pqdescrInvalidError";

} // namespace DDP

namespace CdText {

// Genre codes of a CD-TEXT genre pack (0x87) and their names.
inline const std::map<int, std::string> genreNames = {
    {0, " "},
    {1, "Not Defined"},
    {2, "Adult Contemporary"},
    {3, "Alternative Rock"},
    {4, "Childrens Music"},
    {5, "Classical"},
    {6, "Contemporary Christian"},
    {7, "Country"},
    {8, "Dance"},
    {9, "Easy Listening"},
    {10, "Erotic"},
    {11, "Folk"},
    {12, "Gospel"},
    {13, "Hip Hop"},
    {14, "Jazz"},
    {15, "Latin"},
    {16, "Musical"},
    {17, "New Age"},
    {18, "Opera"},
    {19, "Operetta"},
    {20, "Pop Music"},
    {21, "Rap"},
    {22, "Reggae"},
    {23, "Rock Music"},
    {24, "Rhythm & Blues"},
    {25, "Sound Effects"},
    {26, "Spoken Word"},
    {27, "World Music"},
};

} // namespace CdText
