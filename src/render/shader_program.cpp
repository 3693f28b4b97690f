// Compiling and linking the program from its two shader files, and the by-name uniform setters.
#include "render/shader_program.h"

#include <glad/gl.h>
#include <glm/gtc/type_ptr.hpp>
#include <ios>
#include <iostream>
#include <string>

#include "platform/platform.h"
#include "render/shader_file.h"

namespace {

unsigned int compileStage(GLenum type, const std::string& source) {
    const unsigned int shader = glCreateShader(type);
    const std::string glsl = shaderSourceForThisGL(source);
    const char* text = glsl.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
}

} // namespace

ShaderProgram::ShaderProgram(const char* vertexPath, const char* fragmentPath) {
    std::string vertexSource;
    std::string fragmentSource;
    try {
        std::string vertexText = readShaderFile(vertexPath);
        std::string fragmentText = readShaderFile(fragmentPath);
        // Taken only once both files are read, so a failure leaves both sources empty.
        vertexSource = std::move(vertexText);
        fragmentSource = std::move(fragmentText);
    } catch (std::ios_base::failure&) {
        std::cout << "ERROR::SHADER::FILE_NOT_SUCCESFULLY_READ" << std::endl;
    }

    const unsigned int vertexShader = compileStage(GL_VERTEX_SHADER, vertexSource);
    checkBuildStatus(vertexShader, "VERTEX");
    const unsigned int fragmentShader = compileStage(GL_FRAGMENT_SHADER, fragmentSource);
    checkBuildStatus(fragmentShader, "FRAGMENT");

    programId = glCreateProgram();
    glAttachShader(programId, vertexShader);
    glAttachShader(programId, fragmentShader);
    glLinkProgram(programId);
    checkBuildStatus(programId, "PROGRAM");

    // Still attached, so the GL keeps them for as long as the program lives.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
}

void ShaderProgram::activate() const {
    glUseProgram(programId);
}

void ShaderProgram::setUniformInt(const std::string& name, int value) const {
    glUniform1i(glGetUniformLocation(programId, name.c_str()), value);
}

void ShaderProgram::setUniformFloat(const std::string& name, float value) const {
    glUniform1f(glGetUniformLocation(programId, name.c_str()), value);
}

void ShaderProgram::setUniformVec3(const std::string& name, const glm::vec3& value) const {
    glUniform3fv(glGetUniformLocation(programId, name.c_str()), 1, glm::value_ptr(value));
}

void ShaderProgram::setUniformVec3(const std::string& name, float x, float y, float z) const {
    glUniform3f(glGetUniformLocation(programId, name.c_str()), x, y, z);
}

void ShaderProgram::setUniformMat4(const std::string& name, const glm::mat4& value) const {
    glUniformMatrix4fv(glGetUniformLocation(programId, name.c_str()), 1, GL_FALSE,
                       glm::value_ptr(value));
}

void ShaderProgram::checkBuildStatus(unsigned int object, std::string label) {
    int success = 0;
    char infoLog[1024] = "";
    const char* head;
    if (label == "PROGRAM") {
        glGetProgramiv(object, GL_LINK_STATUS, &success);
        if (success)
            return;
        glGetProgramInfoLog(object, sizeof infoLog, nullptr, infoLog);
        head = "ERROR::PROGRAM_LINKING_ERROR of type: ";
    } else {
        glGetShaderiv(object, GL_COMPILE_STATUS, &success);
        if (success)
            return;
        glGetShaderInfoLog(object, sizeof infoLog, nullptr, infoLog);
        head = "ERROR::SHADER_COMPILATION_ERROR of type: ";
    }
    std::cout << head << label << "\n"
              << infoLog << "\n -- --------------------------------------------------- -- "
              << std::endl;
}
