// A struct and a constant array.
struct Light { vec2 at; vec3 colour; };
const vec3 colours[3] = vec3[3](vec3(1, 0.2, 0.2), vec3(0.2, 1, 0.2), vec3(0.2, 0.2, 1));
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    vec3 sum = vec3(0.0);
    for (int i = 0; i < 3; i++) {
        Light light = Light(vec2(0.25 + 0.25 * float(i), 0.5), colours[i]);
        sum += light.colour * 0.02 / distance(uv, light.at);
    }
    fragColor = vec4(sum, 1.0);
}
