// The one linked GL program built from a vertex and a fragment shader file.
#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <string>

class ShaderProgram {
  public:
    // Reads, compiles and links both files; every failure is printed and construction goes on.
    ShaderProgram(const char* vertexPath, const char* fragmentPath);

    void activate() const;
    // Setters look the location up by name on each call and act on the current program.
    void setUniformInt(const std::string& name, int value) const;
    void setUniformFloat(const std::string& name, float value) const;
    void setUniformVec3(const std::string& name, const glm::vec3& value) const;
    void setUniformVec3(const std::string& name, float x, float y, float z) const;
    void setUniformMat4(const std::string& name, const glm::mat4& value) const;

    unsigned int programId = 0;

  private:
    static void checkBuildStatus(unsigned int object, std::string label);
};
