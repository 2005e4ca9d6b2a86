#include "app/program_window.h"

#include <GL/freeglut.h>

#include "app/gl_setup.h"

void openProgramWindow(const WindowRequest& request) {
    // glutInit may take words away: it gets copies.
    std::vector<std::string> words = request.glutWords;
    std::vector<char*> arguments;
    for (std::string& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);
    int count = static_cast<int>(words.size());
    glutInit(&count, arguments.data());
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | (request.alpha ? GLUT_ALPHA : 0));
    glutInitWindowSize(request.width, request.height);
    glutCreateWindow(":]");
    // X11 repeats a held key as press/release pairs; one press must be one step.
    glutIgnoreKeyRepeat(1);
    initGL();
}
