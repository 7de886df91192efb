// The named component of the class library: what error messages and windows call a component
// by ("XbaseDataSet1").
#pragma once

#include <string>

class TComponent {
public:
    virtual ~TComponent() = default;
    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }

private:
    std::string m_name;
};
