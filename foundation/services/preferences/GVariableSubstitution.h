#pragma once
// GVariableSubstitution: turns concrete text into variables before a value is stored and back
// after it is read (for example a home folder into a placeholder), for the kinds of string it
// says it handles. The preference store applies substitutions to path values only.
class GString;

class GVariableSubstitution {
public:
    enum StringType { kPathString = 1 };

    virtual void SubstituteToVariables(GString& text) = 0;
    virtual void SubstituteFromVariables(GString& text) = 0;
    virtual bool WillSubstitute(StringType type) = 0;
    virtual ~GVariableSubstitution() = default;
};
