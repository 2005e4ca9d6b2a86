// iMouse.zw: where the last press was, its sign whether it is still held.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 press = abs(iMouse.zw);
    float mark = step(distance(fragCoord, press), 25.0);
    vec3 colour = iMouse.z < 0.0 ? vec3(0.2, 0.4, 1.0) : vec3(1.0, 0.4, 0.2);
    fragColor = vec4(colour * mark + 0.1 * fragCoord.x / iResolution.x, 1.0);
}
