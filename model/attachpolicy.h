#pragma once

// The user's choice of what a mouse that attaches gets: the active profile in full (the
// default), or nothing ("keep what the mouse holds"). Kept in settings.ini beside the
// language choice.
class AttachPolicy
{
public:
    static bool keepMouseSettings();
    static bool setKeepMouseSettings(bool keep);
};
